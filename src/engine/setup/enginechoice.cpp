#include "engine/setup/enginechoice.h"

#include "engine/chromium/chromiumbrowser.h"

#include <QCoreApplication>

bool ChooseEngine(
    const QString& requested, const QString& chromiumPath, EngineChoice* choice, QString* error)
{
    const QString wanted = requested.trimmed().toLower();
    *choice = EngineChoice();
    if (wanted == QLatin1String("qt"))
        return true;
    if (!wanted.isEmpty() && wanted != QLatin1String("auto")
        && wanted != QLatin1String("chromium")) {
        *error = QCoreApplication::translate(
            "EngineChoice", "unknown engine \"%1\": the engines are chromium and qt")
                     .arg(requested);
        return false;
    }
    const QString found = ChromiumBrowser::find(chromiumPath.trimmed());
    if (!found.isEmpty()) {
        choice->kind = EngineKind::Chromium;
        choice->chromiumPath = found;
        return true;
    }
    if (wanted == QLatin1String("chromium") || !chromiumPath.trimmed().isEmpty()) {
        *error = chromiumPath.trimmed().isEmpty()
            ? QCoreApplication::translate("EngineChoice",
                "no Chromium found (chromium, chromium-browser or google-chrome on the PATH)")
            : QCoreApplication::translate("EngineChoice", "no Chromium at %1").arg(chromiumPath);
        return false;
    }
    choice->notice = QCoreApplication::translate("EngineChoice",
        "No Chromium is installed: pages are converted with Qt WebEngine, whose older "
        "engine draws some current pages wrong. Install the chromium package for the "
        "current engine.");
    return true;
}

QString EngineName(EngineKind kind)
{
    return kind == EngineKind::Chromium ? QStringLiteral("chromium") : QStringLiteral("qt");
}
