#pragma once

#include <QUrl>

// Hands an address or a local file to the desktop, which opens it in the user's
// default program. Tests replace it so that nothing leaves the machine.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;

    // False when no program took the address.
    virtual bool open(const QUrl& url);
};
