#pragma once

#include "core/requests/cookiesfile.h"
#include "core/settings/pdfpagesetup.h"

#include <QList>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <utility>

// How a page is printed into a PDF.
struct PdfOptions
{
    // The paper in millimetres, as named (a named size is portrait); landscape
    // turns it.
    QSizeF paperMm = PdfPageSetup::defaultPaperMm();
    bool landscape = false;
    // The margin on each side, in millimetres.
    double marginMm = PdfPageSetup::DefaultMarginMm;
    // The pages' background colours and images.
    bool background = true;
    // The title and date above each page, "Page N of M" below it.
    bool headerFooter = false;

    // The paper as it is printed, landscape turned.
    QSizeF pageMm() const { return landscape ? paperMm.transposed() : paperMm; }
};

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
    // Which addresses may be converted: "web" (http, https), "local" (files) or
    // "any". A service that converts lists it did not write runs with "web": a
    // line naming a local file would have that file converted.
    QString inputs = QStringLiteral("any");
    // How a PDF output prints the page.
    PdfOptions pdf;

    // What goes with the page's requests, and what is put into the page.
    // Headers sent with every request of the page: name and value.
    QList<std::pair<QString, QString>> headers;
    // The headers go to every site, not only the page's own.
    bool headersEverywhere = false;
    // Cookies the browser holds before the page loads (expired ones left out).
    QList<FileCookie> cookies;
    // HTTP authentication, answered for the page's own origin only: a redirect or
    // a part of the page from another host never gets the password.
    QString authUser;
    QString authPassword;
    // "scheme://host:port" every request goes through; empty: none. Its user and
    // password answer the proxy's own question for authentication.
    QString proxy;
    QString proxyUser;
    QString proxyPassword;
    // Pages whose certificate is not trusted are loaded anyway (the remark says so).
    bool ignoreHttpsErrors = false;
    // A script and a style sheet put into the page once it has loaded, before it
    // is waited for to be still; empty: none.
    QString injectedScript;
    QString injectedStyle;
    // The files named for them, as given.
    QString cookiesFile;
    QString authFile;
    QString scriptFile;
    QString styleFile;
    // Why a file the options name (cookies, credentials, script, style) could not
    // be used; the page fails with it rather than load without.
    QString fileProblem;
};
