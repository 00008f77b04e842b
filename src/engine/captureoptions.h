#pragma once

#include <QString>
#include <QStringList>

// How a page is to be captured, beyond its address and time-out: what the user
// asked for in the settings' [capture] section or on the command line.
struct CaptureOptions
{
    // The upper bound, in seconds, of the wait for the page to be still before it is
    // captured (fonts loaded, the network quiet, the layout unchanged between two
    // frames); 0 captures at once, as a view is captured as it stands.
    int settleSeconds = 60;
    // The window the page is laid out in, in CSS pixels.
    int viewportWidth = 1024;
    int viewportHeight = 768;
    static constexpr int MinViewport = 100;
    static constexpr int MaxViewport = 10000;
    // Image pixels per CSS pixel: 2 gives a picture twice as wide and high, drawn
    // at that resolution (not enlarged).
    double scale = 1;
    static constexpr double MaxScale = 4;
    // Only the window's first screen, at the window's size, not the whole page.
    bool viewportOnly = false;
    // A CSS selector: only the box of the first element it matches is captured; the
    // page fails when none does. Empty: the page.
    QString selector;
    // A CSS selector the page must show before its capture; the page fails when it
    // does not within its time-out.
    QString waitFor;
    // Milliseconds waited once the page is still, before its capture.
    int extraWaitMs = 0;
    static constexpr int MaxExtraWaitMs = 3600 * 1000;
    // A CSS selector list of elements hidden (their place kept) before the capture.
    QString hide;
    // Cookie and consent banners removed: those `consentSelectors` name, and fixed
    // overlays that speak of cookies or consent and offer a button.
    bool hideCookieBanners = false;
    QStringList consentSelectors;
    // Why the list of consent banners could not be read, else empty.
    QString consentListProblem;
    // The browser's name as pages see it (header and navigator); empty: its own.
    QString userAgent;
    // "light" or "dark" for prefers-color-scheme; empty: the browser's own.
    QString colorScheme;
    // "print" or "screen" (the CSS media type); empty: screen.
    QString media;
};
