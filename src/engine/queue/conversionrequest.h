#pragma once

#include <QDateTime>
#include <QPointer>
#include <QString>
#include <QWebEngineView>
#include <functional>

// One page to convert, as every front end hands it to the engine.
struct ConversionRequest
{
    // A web address or a local file path, as the user gave it.
    QString address;
    // Where "tempimage.bmp" and "WEBtemp.htm" live unless `tempFolder` is set, and
    // the output folder when the settings name none.
    QString applicationFolder;
    // When not empty, "tempimage.bmp" and "WEBtemp.htm" live here instead, so that
    // a run of its own never meets another program's temporary files.
    QString tempFolder;
    // The settings.dat to read, at the moment each setting is needed.
    QString settingsFile;
    // When not empty, used instead of the output folder setting.
    QString outputFolderOverride;
    // When not empty, used instead of the output format setting ("JPG", "PDF", ...).
    QString formatOverride;
    // When set, the page this view shows is converted as it stands (nothing is
    // loaded); the view gets its size, scroll position and styles back afterwards.
    // Guarded: the window that owns the view may be destroyed while the request
    // waits in the queue.
    QPointer<QWebEngineView> view;
    // Set together with `view`. A request for a view that is gone by its turn
    // fails instead of loading `address` in its place.
    bool convertsView = false;
    // The time for date-time file names; the system clock when empty.
    std::function<QDateTime()> clock;
};
