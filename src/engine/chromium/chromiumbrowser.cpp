#include "engine/chromium/chromiumbrowser.h"

#include "engine/protocol/cdpconnection.h"
#include "engine/setup/browserhome.h"
#include "engine/setup/sandboxpolicy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>

ChromiumBrowser::ChromiumBrowser(const QString& executable, QObject* parent)
    : QObject(parent)
    , m_executable(executable)
{
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
    m_profile = std::make_unique<QTemporaryDir>(
        QDir(tempFolder).filePath(QStringLiteral("pagelith-chromium-XXXXXX")));
    // Without a profile folder of its own the browser would open the user's own
    // profile (and, were the user's browser running, hand it the page).
    if (!m_profile->isValid()) {
        ready(tr("No profile folder could be made in %1: %2")
                  .arg(QDir::toNativeSeparators(tempFolder), m_profile->errorString()));
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
    m_connection->send(QStringLiteral("Browser.getVersion"), {}, QString(),
        [this](const QJsonObject& result, const QString& error) {
            if (error.isEmpty())
                m_version = result.value(QStringLiteral("product")).toString();
            ready(error);
        });
}

void ChromiumBrowser::ready(const QString& error)
{
    if (!m_starting)
        return;
    m_starting = false;
    m_ready = error.isEmpty();
    const QString reason = error.isEmpty()
        ? QString()
        : tr("Chromium (%1) could not be started: %2").arg(m_executable, error);
    const auto waiters = std::exchange(m_waiters, {});
    for (const auto& waiter : waiters)
        waiter(reason);
}
