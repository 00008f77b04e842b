#pragma once

#include <QDateTime>
#include <QDialog>
#include <QUrl>
#include <functional>
#include <memory>

class BrowserPage;
class ConversionService;
class MessagePresenter;
class UrlOpener;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWebEngineLoadingInfo;
class QWebEngineView;
struct ConversionResult;

// The mini browser: the user browses to one page and converts exactly what the
// view shows. A window of its own, modal to nothing, opened on a start address;
// nothing survives a close.
class BrowserWindow : public QDialog
{
    Q_OBJECT

public:
    struct Context
    {
        QString startUrl;
        // The folder the program runs from; AppFolders says where its files go.
        QString applicationFolder;
        QString settingsFile;
        // The application's conversion queue; without one "CONVERT NOW!" is off.
        ConversionService* conversions = nullptr;
        // Messages and the file manager; the desktop's own when left empty.
        MessagePresenter* messages = nullptr;
        UrlOpener* opener = nullptr;
        std::function<QDateTime()> clock;
    };

    explicit BrowserWindow(const Context& context, QWidget* parent = nullptr);
    ~BrowserWindow() override;

    QWebEngineView* view() const { return m_view; }

public slots:
    void navigateToAddressBox();
    void convertNow();
    // Also reached without reject(), e.g. when the application ends.
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void createToolbar();
    // The frame reaches the right edge; the buttons keep to its right end and
    // the address box takes the width between.
    void layoutToolbar();
    void showStatus(const QString& text);
    void loadingChanged(const QWebEngineLoadingInfo& info);
    // The status text for the way the current load ended.
    void showLoadEnd();
    void layoutBrowser();
    void conversionFinished(int id, const ConversionResult& result);

    Context m_context;
    std::unique_ptr<MessagePresenter> m_ownMessages;
    std::unique_ptr<UrlOpener> m_ownOpener;
    BrowserPage* m_page = nullptr;
    QWebEngineView* m_view = nullptr;
    QLineEdit* m_address = nullptr;
    QGroupBox* m_frame = nullptr;
    QPushButton* m_go = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_forward = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_convert = nullptr;
    QStatusBar* m_status = nullptr;
    QString m_loadStatus;
    enum class LoadEnd { None, Done, Stopped, Failed };
    LoadEnd m_loadEnded = LoadEnd::None;
    QUrl m_loadingUrl;
    QString m_loadError;
    int m_conversionId = -1;
};
