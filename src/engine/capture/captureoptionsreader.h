#pragma once

#include "core/settings/settingssource.h"
#include "engine/capture/captureoptions.h"

#include <QString>
#include <QStringList>

// The capture options as the settings file holds them (the "delay" setting and the
// [capture] section), each read at the moment of the capture.
CaptureOptions CaptureOptionsFromSettings(const SettingsSource& settingsFile);
// The PDF options alone. A paper or margin the file gives that is no such thing,
// or a margin that leaves too little of the paper, is the default.
PdfOptions PdfOptionsFromSettings(const SettingsSource& settingsFile);

// The request options of the settings' [capture] section into `options`: the
// headers, and the files named read (cookies, credentials, script, style). What
// cannot be used is named in options->fileProblem.
void ReadRequestOptions(const SettingsSource& settingsFile, CaptureOptions* options);
// A larger script or style sheet to put into a page is taken for a mistake.
inline constexpr qint64 MaxInjectedFileBytes = 16 * 1024 * 1024;

// The consent frameworks' selectors of the list file at `path` (one a line; blank
// lines and lines starting with "!" skipped); false, with the reason, when it
// cannot be read.
bool ReadConsentSelectors(const QString& path, QStringList* selectors, QString* problem);
// Where the list of consent banners is kept: beside the program.
QString ConsentSelectorsPath();

// The options in `options` that the Qt WebEngine engine cannot honour, by their
// command-line names ("--scale"); empty when it honours them all.
QStringList OptionsQtCannotHonour(const CaptureOptions& options);
