#pragma once

#include <QList>
#include <QtGlobal>

// The most memory a page's renderer may hold before the page is given up: a page
// that unpacks a small download into gigabytes (a compression bomb), or builds
// an endless document, would otherwise take the machine's memory until its
// time-out. A very tall page captured in tiles stays far below it. Both engines
// hold their renderers to it.
inline constexpr qint64 MaxRendererBytes = qint64(2) * 1024 * 1024 * 1024;

// How much memory the process `pid` holds now (its resident set), or 0 when
// that cannot be read.
qint64 ResidentBytesOf(qint64 pid);

// The renderer processes (command line with --type=renderer) among the
// descendants of `rootPid`: a browser's renderers hang below its zygote.
QList<qint64> RendererProcessesBelow(qint64 rootPid);

// Ends the renderer `pid` that passed MaxRendererBytes, and notes when: the page it
// showed then reports a crash, which RendererEndedForMemoryWithin() tells apart.
// The note is one for the whole program (all its captures run on one thread).
void EndRendererForMemory(qint64 pid);
bool RendererEndedForMemoryWithin(int ms);
