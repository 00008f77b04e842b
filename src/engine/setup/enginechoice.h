#pragma once

#include <QString>

// Which engine converts the pages a front end loads itself (the batch list, the
// scheduler, the command line). The browser window always shows and converts its
// page in Qt WebEngine.
enum class EngineKind { Chromium, Qt };

struct EngineChoice
{
    EngineKind kind = EngineKind::Qt;
    // The Chromium executable, for EngineKind::Chromium.
    QString chromiumPath;
    // One line for the user when the default had to fall back to Qt WebEngine.
    QString notice;
};

// `requested` is "chromium", "qt", or empty (or "auto") for the default: the
// system's Chromium when one is installed (`chromiumPath`, else the first on the
// PATH), else Qt WebEngine with a notice. Asking for Chromium where none is found,
// or for an engine that does not exist, is an error.
bool ChooseEngine(
    const QString& requested, const QString& chromiumPath, EngineChoice* choice, QString* error);

// "chromium" or "qt".
QString EngineName(EngineKind kind);
