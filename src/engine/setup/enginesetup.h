#pragma once

// Chooses the rendering path that captures pages correctly, whatever the user's
// environment: the software scene graph and Chromium without GPU. A GPU path grabs
// black or stale frames for large views, so this is not left to the environment.
//
// It also lifts Qt's limit on the size of image files read back, since whole
// pages make pictures of hundreds of megabytes.
//
// It also keeps Qt WebEngine's start-up report of its graphics set-up (and its
// complaint that it has no GPU, which is off on purpose) off the program's output.
//
// For root it turns Chromium's sandbox off (see sandboxpolicy.h).
//
// Call it in main() before the QApplication is constructed. Chromium switches are
// appended to whatever QTWEBENGINE_CHROMIUM_FLAGS already holds, never replacing it.
void PrepareEngineEnvironment();
