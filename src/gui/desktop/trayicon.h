#pragma once

#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;

// The icon in the desktop's notification area and its menu. A left click
// brings the main window back; a right click opens the menu.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    QSystemTrayIcon* icon() const { return m_icon; }
    QMenu* menu() const { return m_menu; }

    QAction* onTheWeb;
    QAction* help;
    QAction* showMainWindow;
    QAction* settings;
    QAction* convertNow;
    QAction* cancelConvert;
    QAction* exit;

    void install();
    void remove();
    bool isInstalled() const;

signals:
    void restoreRequested();

private:
    void onActivated(QSystemTrayIcon::ActivationReason reason);

    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
};
