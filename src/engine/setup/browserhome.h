#pragma once

#include <QString>

class QProcessEnvironment;

// Gives the browser a home of its own inside `folder` (a folder that goes with
// the run, such as the browser's profile): HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME,
// XDG_DATA_HOME, XDG_RUNTIME_DIR (mode 0700, as the browser expects it) and the
// download folder under HOME. Left to the user's own, the browser would put its
// crash reports, caches and downloads in the user's home and a runtime folder in
// the temporary folder, none of which a run removes. TMPDIR too, where the path
// of a temporary folder there is at most `maxTempFolderBytes` long (the browser
// makes a socket in it, whose path has a limit): a browser that is killed leaves
// its files there instead of the system's temporary folder. False, with the
// reason, when the folders cannot be made.
bool PutBrowserHomeIn(const QString& folder, QProcessEnvironment* environment, QString* error,
    int maxTempFolderBytes = 0);
