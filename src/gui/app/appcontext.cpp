#include "gui/app/appcontext.h"

#include "core/app/appinfo.h"
#include "core/settings/settingreaders.h"
#include "engine/queue/conversionservice.h"
#include "engine/setup/sandboxpolicy.h"
#include "gui/dialogs/recentfolders.h"

#include <QCoreApplication>
#include <QStringList>

AppContext::AppContext(const QString& applicationFolder)
    : m_applicationFolder(applicationFolder)
    , m_folders(applicationFolder)
    , m_recentFolders(std::make_unique<RecentFolders>())
{
}

AppContext::~AppContext() = default;

QString AppContext::settingsFile() const
{
    return m_folders.settingsFile();
}

QString AppContext::filePath(const QString& fileName) const
{
    return AppInfo::pathIn(m_applicationFolder, fileName);
}

ConversionService* AppContext::conversionService()
{
    if (!m_conversionService) {
        m_conversionService = std::make_unique<ConversionService>();
        m_conversionService->setEngine(engineChoice());
        // Queued: the page's capturer that reports its end is still at work
        // on the stack, and changing the engine deletes it.
        QObject::connect(
            m_conversionService.get(), &ConversionService::finished, m_conversionService.get(),
            [this] {
                if (!m_conversionService->isBusy())
                    applyEngineSetting();
            },
            Qt::QueuedConnection);
        // The settings may have changed since the engine was last shown.
        if (m_engineChanged)
            m_engineChanged();
    }
    return m_conversionService.get();
}

bool AppContext::applyEngineSetting()
{
    if (!m_conversionService)
        return true; // made with the setting's engine when first needed
    const EngineChoice wanted = engineChoice();
    const EngineChoice& current = m_conversionService->engine();
    if (wanted.kind == current.kind && wanted.chromiumPath == current.chromiumPath
        && wanted.notice == current.notice)
        return true;
    // A page in work keeps the engine it started on.
    if (m_conversionService->isBusy())
        return false;
    m_conversionService->setEngine(wanted);
    if (m_engineChanged)
        m_engineChanged();
    return true;
}

EngineChoice AppContext::currentEngine() const
{
    return m_conversionService ? m_conversionService->engine() : engineChoice();
}

EngineChoice AppContext::engineChoice() const
{
    EngineChoice engine;
    QString error;
    if (ChooseEngine(ReadTextSetting(settingsFile(), Setting::Engine),
            ReadTextSetting(settingsFile(), Setting::ChromiumPath), &engine, &error))
        return engine;
    // A window has no usage error to give: the setting's fault is shown, and the
    // pages are converted all the same.
    ChooseEngine(QStringLiteral("qt"), QString(), &engine, &error);
    engine.notice = QCoreApplication::translate("AppContext",
        "Engine setting: %1; converting "
        "with Qt WebEngine")
                        .arg(error);
    return engine;
}

QString AppContext::startupNotice() const
{
    QStringList lines;
    const QString engine = engineChoice().notice;
    if (!engine.isEmpty())
        lines << engine;
    if (const QString sandbox = SandboxNotice(); !sandbox.isEmpty())
        lines << sandbox;
    return lines.join(QLatin1Char(' '));
}

QString AppContext::engineNotices() const
{
    QStringList lines;
    const QString engine = currentEngine().notice;
    if (!engine.isEmpty())
        lines << engine;
    if (const QString sandbox = SandboxNotice(); !sandbox.isEmpty())
        lines << sandbox;
    return lines.join(QLatin1Char(' '));
}
