#pragma once

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
// media from anywhere, and scripts and frames only from its own folder or below;
// nothing else of file:// is loaded: no fetch() or XMLHttpRequest, no workers or
// objects, no frame or script from another folder, no folder (whose listing would
// show its files), and no other top-level document than the one the converter asked
// for (`typedNavigation` true). Whatever a script could read would end up in the
// output. "In the folder" is decided on real paths: links are followed and ".."
// removed on both sides, so a link in the page's folder to a file elsewhere is
// elsewhere. Requests that are not for local files are not this rule's business
// (true).
bool LocalRequestAllowed(
    LocalRequestKind kind, const QUrl& request, const QUrl& page, bool typedNavigation);
