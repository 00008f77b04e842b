#pragma once

#include <QString>

// Text from lists, addresses, pages and file names made safe to print on a
// terminal: control characters (C0, DEL, C1) and the bidirectional overrides
// that reorder what follows are written as escapes ("\x1b", "\u202e"), so that
// an input cannot move the cursor, retitle the window or hide part of a line.
QString TerminalText(const QString& text);
