#pragma once

#include <QString>

// Writes a JPEG copy of the picture at bitmapPath scaled to the thumbnail
// percentage of settingsFile (ThumbnailPercentSetting, read at the moment of
// the call), each side rounded to the nearest pixel with halves to even and at
// least one pixel. An existing file at thumbnailPath is replaced whole.
bool WriteThumbnail(const QString& settingsFile, const QString& bitmapPath,
    const QString& thumbnailPath, QString* error);

// The thumbnail's side for a page side and a percentage, as WriteThumbnail
// computes it.
int ThumbnailSide(int side, double percent);
