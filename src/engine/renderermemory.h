#pragma once

#include <QtGlobal>

// The most memory a page's renderer may hold before the page is given up: a page
// that unpacks a small download into gigabytes (a compression bomb), or builds
// an endless document, would otherwise take the machine's memory until its
// time-out. A very tall page captured in tiles stays far below it.
inline constexpr qint64 MaxRendererBytes = qint64(2) * 1024 * 1024 * 1024;

// How much memory the process `pid` holds now (its resident set), or 0 when
// that cannot be read.
qint64 ResidentBytesOf(qint64 pid);
