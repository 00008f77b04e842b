#pragma once

#include <QString>

class QUrl;

// What a request of a local page asks for, in the terms both engines can name.
enum class LocalRequestKind {
    // The top-level document.
    MainFrame,
    // A frame, an iframe or a frame inside an SVG picture.
    SubFrame,
    Script,
    Stylesheet,
    Image,
    Font,
    Media,
    // fetch(), XMLHttpRequest, workers, objects, anything else.
    Other,
};

// Whether a request for a local file (`request`, a file:// address) may load in a
// page converted from `page`. A local page loads pictures, style sheets, fonts and
// media from anywhere; scripts from its own folder or below; frames only when they
// show a document (HTML, XHTML, SVG, a plain picture) in its folder or below;
// an object or an embed that shows a page is a frame to the engines and follows
// the frames' rule; nothing else of file:// is loaded: no fetch() or
// XMLHttpRequest, no workers, no plug-in data for an object or an embed, no folder
// (whose listing would show its files), no hidden file and nothing under a hidden
// folder as a script or a frame. The top-level
// document is the one the converter asked for (`typedNavigation` true) or another
// document the page moves itself to under the frames' rule. Whatever a script
// could read would end up in the output.
//
// "In the folder" is decided on the bytes the browser opens: the address's path
// percent-decoded to bytes (never through text), links followed and ".." removed
// on both sides, so a link in the page's folder to a file elsewhere is elsewhere.
// A name that is not valid text in the system's file name encoding (a byte that is
// no UTF-8, an overlong form, a NUL) names no file this rule can vouch for: it is
// refused. Requests that are not for local files are not this rule's business
// (true).
bool LocalRequestAllowed(
    LocalRequestKind kind, const QUrl& request, const QUrl& page, bool typedNavigation);

// Why a frame of a local page that the rule refuses was blocked, as a remark on the
// page (its frame stays empty), for a frame in the page's folder that is no
// document; empty for a request the rule allows or refuses silently.
QString LocalFrameRemark(LocalRequestKind kind, const QUrl& request, const QUrl& page);

// The reason a local page fails that moved itself to a local file the rule does
// not allow as its top-level document.
QString LocalNavigationRefusedText();
