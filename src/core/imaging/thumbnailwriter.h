#pragma once

#include "core/settings/settingssource.h"

#include <QString>

// Writes a JPEG copy of the picture at bitmapPath scaled to the thumbnail
// percentage of settingsFile (ThumbnailPercentSetting: a file read at the
// moment of the call, or a snapshot), each side rounded to the nearest pixel with halves to even
// and at least one pixel. An existing file at thumbnailPath is replaced whole.
bool WriteThumbnail(const SettingsSource& settingsFile, const QString& bitmapPath,
    const QString& thumbnailPath, QString* error);

// The thumbnail's side for a page side and a percentage, as WriteThumbnail
// computes it.
int ThumbnailSide(int side, double percent);
