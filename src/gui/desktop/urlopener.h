#pragma once

#include <QString>
#include <QUrl>

// Hands an address or a local file to the desktop, which opens it in the user's
// default program. Tests replace it so that nothing leaves the machine.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;

    // False when no program took the address.
    virtual bool open(const QUrl& url);
    // Whether the desktop has a file manager for folders. Without one, xdg-open
    // hands a folder to a web browser or to nothing, and the user never sees the
    // files: the caller says where they are instead.
    virtual bool opensFolders();
    // Opens the folder in the file manager; false, with nothing opened, when
    // there is none or it did not start.
    bool openFolder(const QString& folder);
};
