#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class CdpConnection;

// The system's Chromium, headless, as one process that every page of a run shares:
// each page gets a browser context of its own, so nothing a page stores reaches
// the next. It is started on first use and started again after it died, for the
// next page. A browser that starts but does not answer within its limit is
// ended, and the next page starts another.
//
// The switches it starts with: headless, the DevTools pipe, no GPU (as the other
// engine), sRGB colours, hidden scroll bars, a fresh profile in a temporary folder
// (the run's own folder when there is one) that goes with the process, none of the browser's own
// background traffic, and the Chromium switches of QTWEBENGINE_CHROMIUM_FLAGS, so that a rule given
// for one engine holds for both. As root the sandbox cannot run and is turned off (see
// SandboxOffForRoot()).
class ChromiumBrowser : public QObject
{
    Q_OBJECT
public:
    explicit ChromiumBrowser(const QString& executable, QObject* parent = nullptr);
    ~ChromiumBrowser() override;

    // The first Chromium found on PATH ("chromium", "chromium-browser",
    // "google-chrome"), or `configured` when that names an executable file; empty
    // when there is none.
    static QString find(const QString& configured = QString());
    // The switches QTWEBENGINE_CHROMIUM_FLAGS holds, split at blanks outside
    // double quotes, quotes removed.
    static QStringList switchesFromEnvironment();

    // Calls `then` once the browser answers, with an empty error, or with the
    // reason it could not be started. Starts it when it is not running.
    void whenReady(std::function<void(const QString& error)> then);
    CdpConnection* connection() const { return m_connection.get(); }
    // The temporary folder the browser is given instead of `tempFolder` when it
    // cannot use that one (its path too long, see MaxTempFolderBytes, or not a
    // folder it can write to): empty when it can, and empty with *error set when
    // no other folder will do.
    static QString BrowserTempFolder(const QString& tempFolder, QString* error);
    // A socket's address holds 107 bytes; the browser's socket name under the
    // temporary folder takes up to 48 of them.
    static constexpr int MaxTempFolderBytes = 107 - 48;
    bool isRunning() const;
    // Commands sent to the browser whose answer is awaited, over all its pages.
    int pendingCommands() const;
    // How long a started browser may take to answer its first command.
    static constexpr int DefaultStartLimitSeconds = 30;
    void setStartLimitSeconds(int seconds) { m_startLimitSeconds = seconds; }
    // The folder of the run (the converter's own temporary folder, which a later
    // run removes when this one was killed): the browser's profile goes inside it.
    // Empty: a profile folder in the temporary folder, as for the desktop program.
    static void setRunFolder(const QString& folder);
    // Keeps the renderers' memory limit on while the target `targetId`, closed by
    // its page, has not gone yet (a stuck script may run on for a while).
    void watchMemoryUntilClosed(const QString& targetId);
    // "Chrome/156.0.8078.73" once the browser answered.
    QString version() const { return m_version; }
    QString executable() const { return m_executable; }

signals:
    // The browser process ended while pages may have been using it.
    void died(const QString& reason);

private:
    void launch();
    // `explain`: the error says why the start failed, and is put in words that
    // name the browser.
    void ready(const QString& error, bool explain = true);
    void onConnectionEvent(const QString& method, const QJsonObject& params);
    void watchClosingMemory();

    QString m_executable;
    std::unique_ptr<CdpConnection> m_connection;
    std::unique_ptr<QTemporaryDir> m_profile;
    QString m_version;
    bool m_starting = false;
    bool m_ready = false;
    int m_startLimitSeconds = DefaultStartLimitSeconds;
    QList<std::function<void(const QString&)>> m_waiters;
    // Targets closed by their pages, until the browser reports them gone, with
    // the time each was closed.
    QHash<QString, QDeadlineTimer> m_closing;
    QTimer m_closingWatch;
};
