#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class CdpConnection;

// The system's Chromium, headless, as one process that every page of a run shares:
// each page gets a browser context of its own, so nothing a page stores reaches
// the next. It is started on first use and started again after it died, for the
// next page.
//
// The switches it starts with: headless, the DevTools pipe, no GPU (as the other
// engine), sRGB colours, hidden scroll bars, a fresh profile in a temporary folder
// that goes with the process, none of the browser's own background traffic, and
// the Chromium switches of QTWEBENGINE_CHROMIUM_FLAGS, so that a rule given for
// one engine holds for both. As root the sandbox cannot run and is turned off
// (see SandboxOffForRoot()).
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
    // "Chrome/156.0.8078.73" once the browser answered.
    QString version() const { return m_version; }
    QString executable() const { return m_executable; }

signals:
    // The browser process ended while pages may have been using it.
    void died(const QString& reason);

private:
    void launch();
    void ready(const QString& error);

    QString m_executable;
    std::unique_ptr<CdpConnection> m_connection;
    std::unique_ptr<QTemporaryDir> m_profile;
    QString m_version;
    bool m_starting = false;
    bool m_ready = false;
    QList<std::function<void(const QString&)>> m_waiters;
};
