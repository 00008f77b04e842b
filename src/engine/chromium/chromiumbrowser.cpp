#include "engine/chromium/chromiumbrowser.h"

#include "engine/protocol/cdpconnection.h"
#include "engine/setup/browserhome.h"
#include "engine/setup/renderermemory.h"
#include "engine/setup/sandboxpolicy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>

namespace {

// How often the renderers of closing targets are looked at, as a capturer does
// while it converts a page.
constexpr int ClosingWatchMs = 250;
// How long a closed target is watched at most: the browser reports it gone within
// a second; one that never does is not watched for ever.
constexpr int ClosingWatchLimitMs = 15000;

QString& runFolder()
{
    static QString folder;
    return folder;
}

} // namespace

ChromiumBrowser::ChromiumBrowser(const QString& executable, QObject* parent)
    : QObject(parent)
    , m_executable(executable)
{
    m_closingWatch.setInterval(ClosingWatchMs);
    connect(&m_closingWatch, &QTimer::timeout, this, &ChromiumBrowser::watchClosingMemory);
}

void ChromiumBrowser::setRunFolder(const QString& folder)
{
    runFolder() = folder;
}

void ChromiumBrowser::watchMemoryUntilClosed(const QString& targetId)
{
    if (!isRunning() || targetId.isEmpty())
        return;
    m_closing.insert(targetId, QDeadlineTimer(ClosingWatchLimitMs));
    if (!m_closingWatch.isActive())
        m_closingWatch.start();
}

void ChromiumBrowser::onConnectionEvent(const QString& method, const QJsonObject& params)
{
    if (method == QLatin1String("Target.detachedFromTarget")
        || method == QLatin1String("Target.targetDestroyed"))
        m_closing.remove(params.value(QStringLiteral("targetId")).toString());
    if (m_closing.isEmpty())
        m_closingWatch.stop();
}

void ChromiumBrowser::watchClosingMemory()
{
    m_closing.removeIf([](const auto& entry) { return entry.value().hasExpired(); });
    if (m_closing.isEmpty() || !isRunning()) {
        m_closing.clear();
        m_closingWatch.stop();
        return;
    }
    for (const qint64 pid : RendererProcessesBelow(m_connection->processId())) {
        if (ResidentBytesOf(pid) > MaxRendererBytes)
            EndRendererForMemory(pid);
    }
}

ChromiumBrowser::~ChromiumBrowser()
{
    // The process goes before its profile folder is removed.
    m_connection.reset();
}

QString ChromiumBrowser::find(const QString& configured)
{
    if (!configured.isEmpty()) {
        const QFileInfo file(configured);
        if (file.isFile() && file.isExecutable())
            return file.absoluteFilePath();
        return QStandardPaths::findExecutable(configured);
    }
    for (const char* name : { "chromium", "chromium-browser", "google-chrome" }) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty())
            return path;
    }
    return QString();
}

QStringList ChromiumBrowser::switchesFromEnvironment()
{
    const QString flags = QString::fromLocal8Bit(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"));
    QStringList switches;
    QString current;
    bool quoted = false;
    bool any = false;
    for (const QChar c : flags) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c.isSpace() && !quoted) {
            if (any || !current.isEmpty())
                switches << current;
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        switches << current;
    switches.removeAll(QString());
    return switches;
}

bool ChromiumBrowser::isRunning() const
{
    return m_connection && m_connection->isRunning();
}

int ChromiumBrowser::pendingCommands() const
{
    return m_connection ? m_connection->pendingCount() : 0;
}

void ChromiumBrowser::whenReady(std::function<void(const QString& error)> then)
{
    if (m_ready && isRunning()) {
        then(QString());
        return;
    }
    m_waiters << std::move(then);
    if (!m_starting)
        launch();
}

QString ChromiumBrowser::BrowserTempFolder(const QString& tempFolder, QString* error)
{
    // Chromium makes its single-instance socket in the temporary folder
    // ("<folder>/org.chromium.Chromium.XXXXXX/SingletonSocket", longer for other
    // builds) and ends at once when that path does not fit a socket's address,
    // or when it cannot write there.
    const auto usable = [](const QString& folder) {
        const QFileInfo info(folder);
        return !folder.isEmpty() && QFile::encodeName(folder).size() <= MaxTempFolderBytes
            && info.isDir() && info.isWritable();
    };
    if (usable(tempFolder))
        return QString();
    for (const QString& folder : { qEnvironmentVariable("XDG_RUNTIME_DIR"), QStringLiteral("/tmp"),
             QStringLiteral("/dev/shm") }) {
        if (usable(folder))
            return folder;
    }
    *error = tr("Chromium cannot use the temporary folder %1: it must be a folder it can "
                "write to, its path at most %2 bytes long")
                 .arg(QDir::toNativeSeparators(tempFolder))
                 .arg(MaxTempFolderBytes);
    return QString();
}

void ChromiumBrowser::launch()
{
    m_starting = true;
    m_ready = false;
    m_connection.reset();
    // The temporary folder as the browser finds it, or one it can use instead;
    // its profile goes there too.
    QString error;
    const QString given = qEnvironmentVariable("TMPDIR", QStringLiteral("/tmp"));
    const QString instead = BrowserTempFolder(given, &error);
    if (!error.isEmpty()) {
        ready(error);
        return;
    }
    const QString tempFolder = instead.isEmpty() ? given : instead;
    // In the run's folder, the profile goes with it, also when the run is killed
    // and a later one removes what it left.
    const QFileInfo run(runFolder());
    const QString profileParent
        = !runFolder().isEmpty() && run.isDir() && run.isWritable() ? runFolder() : tempFolder;
    m_profile = std::make_unique<QTemporaryDir>(
        QDir(profileParent).filePath(QStringLiteral("pagelith-chromium-XXXXXX")));
    // Without a profile folder of its own the browser would open the user's own
    // profile (and, were the user's browser running, hand it the page).
    if (!m_profile->isValid()) {
        ready(tr("No profile folder could be made in %1: %2")
                  .arg(QDir::toNativeSeparators(profileParent), m_profile->errorString()));
        return;
    }
    QStringList args = {
        QStringLiteral("--headless"),
        QStringLiteral("--remote-debugging-pipe"),
        QStringLiteral("--user-data-dir=%1").arg(m_profile->path()),
        QStringLiteral("--no-first-run"),
        QStringLiteral("--no-default-browser-check"),
        QStringLiteral("--disable-gpu"),
        QStringLiteral("--force-color-profile=srgb"),
        QStringLiteral("--hide-scrollbars"),
        QStringLiteral("--mute-audio"),
        // The browser's own traffic (updates, sync, safe browsing lists) is not the
        // page's; on a closed network it only adds failing connections.
        QStringLiteral("--disable-background-networking"),
        QStringLiteral("--disable-component-update"),
        QStringLiteral("--disable-sync"),
        QStringLiteral("--disable-extensions"),
        QStringLiteral("--disable-default-apps"),
        QStringLiteral("--disable-breakpad"),
        QStringLiteral("--disable-crash-reporter"),
        // A page in a background target must draw and run its timers like a visible one.
        QStringLiteral("--disable-background-timer-throttling"),
        QStringLiteral("--disable-backgrounding-occluded-windows"),
        QStringLiteral("--disable-renderer-backgrounding"),
        // Paint holding keeps back the frames of a page that shows no text or
        // picture (an empty page, coloured boxes), which would then never be drawn.
        QStringLiteral("--disable-features=Translate,MediaRouter,OptimizationHints,PaintHolding"),
        // window.open() answers null: a page opening hundreds of windows would
        // otherwise have each made before it could be refused.
        QStringLiteral("--block-new-web-contents"),
        QStringLiteral("--no-service-autorun"),
        QStringLiteral("--password-store=basic"),
        QStringLiteral("--use-mock-keychain"),
    };
    if (SandboxOffForRoot())
        args << QStringLiteral("--no-sandbox");
    // The browser takes only the last --disable-features: the environment's
    // features join ours instead of replacing them.
    const QString disable = QStringLiteral("--disable-features=");
    const auto ours = std::find_if(
        args.begin(), args.end(), [&disable](const QString& a) { return a.startsWith(disable); });
    for (const QString& sw : switchesFromEnvironment()) {
        if (sw.startsWith(disable) && ours != args.end())
            *ours += QLatin1Char(',') + sw.mid(disable.size());
        else
            args << sw;
    }
    args << QStringLiteral("about:blank");

    m_connection = std::make_unique<CdpConnection>();
    connect(m_connection.get(), &CdpConnection::event, this, &ChromiumBrowser::onConnectionEvent);
    connect(m_connection.get(), &CdpConnection::closed, this, [this](const QString& reason) {
        const bool wasReady = m_ready;
        m_ready = false;
        if (m_starting)
            ready(reason);
        else if (wasReady)
            emit died(reason);
    });
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!instead.isEmpty())
        environment.insert(QStringLiteral("TMPDIR"), instead);
    if (!PutBrowserHomeIn(m_profile->path(), &environment, &error, MaxTempFolderBytes)) {
        ready(error);
        return;
    }
    if (!m_connection->start(m_executable, args, environment, &error)) {
        ready(error);
        return;
    }
    // A browser that starts and never answers would hold every later page for its
    // whole time-out: it is given up on, and the next page starts another.
    CdpConnection* connection = m_connection.get();
    connection->browserSession()->send(
        QStringLiteral("Browser.getVersion"), {},
        [this, connection](const QJsonObject& result, const CdpError& error) {
            if (error.isEmpty())
                m_version = result.value(QStringLiteral("product")).toString();
            if (error.kind != CdpError::Kind::Timeout) {
                ready(error);
                return;
            }
            ready(tr("Chromium did not answer within %1 s").arg(m_startLimitSeconds), false);
            // Ended from the event loop: this answer comes from inside the connection.
            QMetaObject::invokeMethod(
                this,
                [this, connection] {
                    if (m_connection.get() == connection && !m_starting)
                        m_connection.reset();
                },
                Qt::QueuedConnection);
        },
        this, m_startLimitSeconds * 1000);
}

void ChromiumBrowser::ready(const QString& error, bool explain)
{
    if (!m_starting)
        return;
    m_starting = false;
    m_ready = error.isEmpty();
    const QString reason = error.isEmpty() || !explain
        ? error
        : tr("Chromium (%1) could not be started: %2").arg(m_executable, error);
    const auto waiters = std::exchange(m_waiters, {});
    for (const auto& waiter : waiters)
        waiter(reason);
}
