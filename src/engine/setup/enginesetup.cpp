#include "engine/setup/enginesetup.h"

#include "engine/setup/sandboxpolicy.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QLoggingCategory>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QStringList>

namespace {

// A switch the user (or a test) already gave keeps its value; ours is only added.
void appendChromiumSwitch(QByteArrayList& flags, const QByteArray& sw)
{
    const QByteArray name = sw.split('=').first();
    for (const QByteArray& flag : flags) {
        if (flag == name || flag.startsWith(name + '='))
            return;
    }
    flags.append(sw);
}

// Features are turned off in one list: a second --disable-features would be ignored.
void disableChromiumFeature(QByteArrayList& flags, const QByteArray& feature)
{
    const QByteArray name = "--disable-features=";
    for (QByteArray& flag : flags) {
        if (flag.startsWith(name)) {
            if (!flag.mid(name.size()).split(',').contains(feature))
                flag += ',' + feature;
            return;
        }
    }
    flags.append(name + feature);
}

QtMessageHandler previousHandler = nullptr;

// The GPU is off on purpose (see above), so the engine's report that it found no
// GPU backend says nothing; every other message goes on as before.
void dropNoGpuReport(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg
        && message.startsWith(QLatin1String("No suitable graphics backend found")))
        return;
    // For root the sandbox is off on purpose, and the program says so in its own words.
    if (message == QLatin1String("Sandboxing disabled by user."))
        return;
    if (previousHandler)
        previousHandler(type, context, message);
}

} // namespace

void PrepareEngineEnvironment()
{
    // Qt WebEngine reports its graphics set-up at every start: noise on a converter's
    // output and in a desktop program's log. QT_LOGGING_RULES is applied after these
    // rules, so a user can still turn the report on.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    const QtMessageHandler previous = qInstallMessageHandler(dropNoGpuReport);
    // Called twice, it must not pass messages on to itself.
    if (previous != dropNoGpuReport)
        previousHandler = previous;

    // Both the variable and the API: the variable reaches Qt Quick however it is
    // created, the API wins over a user's QT_QUICK_BACKEND.
    qputenv("QT_QUICK_BACKEND", "software");
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);

    QByteArrayList flags;
    for (const QByteArray& flag : qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").split(' ')) {
        if (!flag.isEmpty())
            flags.append(flag);
    }
    appendChromiumSwitch(flags, "--disable-gpu");
    appendChromiumSwitch(flags, "--disable-gpu-compositing");
    // Colours come out as the page states them (pure red stays #ff0000).
    appendChromiumSwitch(flags, "--force-color-profile=srgb");
    // Chromium holds back a web page's frames until it shows text or a picture; a
    // page that never does (empty, or only coloured boxes) would never be drawn
    // for the capture.
    disableChromiumFeature(flags, "PaintHolding");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.join(' '));
    if (SandboxOffForRoot())
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // Whole pages make large pictures (a 1200 x 40000 page is 190 MB); the image
    // files the engine and the watermark and thumbnail steps read back are trusted.
    QImageReader::setAllocationLimit(2048);

    // Qt WebEngine asks for shared contexts before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}
