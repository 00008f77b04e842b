#include "engine/qtwebengine/capturepage.h"

#include "engine/qtwebengine/localfileguard.h"

#include <QWebEngineSettings>

namespace {
const QString FrameTokenPrefix = QStringLiteral("pagelith-frame:");
}

CapturePage::CapturePage(QObject* parent)
    : QWebEnginePage(parent)
{
    // Pages are laid out with the fonts a desktop browser uses by default, so a
    // page comes out as tall as it is in the user's browser.
    QWebEngineSettings* s = settings();
    s->setFontFamily(QWebEngineSettings::StandardFont, QStringLiteral("Times New Roman"));
    s->setFontFamily(QWebEngineSettings::SerifFont, QStringLiteral("Times New Roman"));
    s->setFontFamily(QWebEngineSettings::SansSerifFont, QStringLiteral("Arial"));
    s->setFontFamily(QWebEngineSettings::FixedFont, QStringLiteral("Monospace"));
    // A frame that cannot load stays empty, as in a browser, instead of showing
    // Chromium's grey error box in the capture. A failed top-level load is known
    // from the load's result and status, not from an error page.
    s->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    s->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    // window.open() answers null, as a browser's pop-up blocker does: a page that
    // opens hundreds of windows would otherwise have each one made (and a
    // renderer started for it) before it could be refused.
    s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    // A local page shows its own pictures and style sheets, but its scripts read no
    // other file of the user's.
    setUrlRequestInterceptor(new LocalFileGuard(this));
}

QString CapturePage::frameTokenMessage(int token)
{
    return FrameTokenPrefix + QString::number(token);
}

void CapturePage::javaScriptAlert(const QUrl&, const QString&) { }

bool CapturePage::javaScriptConfirm(const QUrl&, const QString&)
{
    return false;
}

bool CapturePage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*)
{
    return false;
}

void CapturePage::javaScriptConsoleMessage(
    JavaScriptConsoleMessageLevel, const QString& message, int, const QString&)
{
    // Pages log plenty; only our own token is of interest and nothing is echoed.
    if (!message.startsWith(FrameTokenPrefix))
        return;
    bool ok = false;
    const int token = message.mid(FrameTokenPrefix.size()).toInt(&ok);
    if (ok)
        emit frameTokenLogged(token);
}
