#pragma once

#include <functional>

class QFileDialog;

// Runs the settings' file browsers, modally. A test answers a browser through a
// runner of its own instead of a nested event loop it would have to reach from a
// timer; the browser is set up exactly as the user would see it either way.
using FileBrowserRunner = std::function<int(QFileDialog& browser)>;

// What the browser's exec() returns, or the installed runner's answer.
int RunFileBrowser(QFileDialog& browser);

// An empty runner gives the browsers back to exec().
void SetFileBrowserRunner(FileBrowserRunner runner);
