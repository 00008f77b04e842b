#pragma once

#include "core/settings/settingssource.h"

#include <QString>

// Stamp the page picture at sourcePath with the text, respectively the
// picture, configured in section "watermark" of settingsFile (a file read at
// the moment of the call, or a snapshot) and write the result to targetPath (the same path
// stamps in place; the format follows targetPath's extension).
//
// Whether the stamp is switched on (Setting::TextWatermark, ImageWatermark) is
// the caller's decision. An empty text or picture path means no stamp: the
// call succeeds and the page is left as it is (copied to targetPath when that
// is another file). A stamp picture that cannot be loaded (missing, not a
// picture, not a regular file) leaves the page unstamped in the same way: the
// call succeeds and *remark says why, for the page's result. An unreadable
// page returns false and writes nothing.
bool ApplyTextWatermark(const SettingsSource& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error = nullptr);
bool ApplyPictureWatermark(const SettingsSource& settingsFile, const QString& sourcePath,
    const QString& targetPath, QString* error = nullptr, QString* remark = nullptr);
