#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

class AddUrlsDialog;
class AppContext;
class FileDialogs;
class MessagePresenter;
class UrlListFiles;
class UrlListWidget;
class QWidget;

// The commands that edit the batch list. Each is one routine, whichever menu
// entry, button or gesture triggers it.
class UrlListCommands : public QObject
{
    Q_OBJECT
public:
    UrlListCommands(UrlListWidget* list, const AppContext* context, FileDialogs* dialogs,
        MessagePresenter* messages, QWidget* window);
    ~UrlListCommands() override;

    // The current output format setting, read from the settings file now.
    QString currentOutputFormat() const;

    void appendAddress(const QString& address);
    void appendAddresses(const QStringList& addresses);
    // Writes the current output format into every row.
    void refreshOutputFormats();

    void removeSelected();
    void clearAll();
    void addHtmlFiles();
    // The menus wait for the dialog; nothing happens while the toolbar's
    // modeless copy is open.
    void showAddUrlsModal();
    // The toolbar's copy leaves the main window usable; a second click brings
    // the same dialog to the front.
    void showAddUrlsModeless();
    void saveList();
    void loadList();
    void refuseDrop();

    // The open Add-URLs dialog, if any.
    AddUrlsDialog* addUrlsDialog() const;

private:
    AddUrlsDialog* createAddUrlsDialog();

    UrlListWidget* m_list;
    const AppContext* m_context;
    FileDialogs* m_dialogs;
    MessagePresenter* m_messages;
    QWidget* m_window;
    UrlListFiles* m_files;
    QPointer<AddUrlsDialog> m_addUrlsDialog;
};
