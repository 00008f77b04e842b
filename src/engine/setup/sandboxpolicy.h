#pragma once

#include <QString>

// Chromium's sandbox cannot start for root ("Running as root without --no-sandbox
// is not supported") and the engine would die with only that line. People do run
// converters as root (containers, fresh servers), so for root, and only for root,
// both engines run without it; normal users keep it.
bool SandboxOffForRoot();

// The one line that says so, for the command line's error output and the
// window's status bar; empty when the sandbox is on.
QString SandboxNotice();
