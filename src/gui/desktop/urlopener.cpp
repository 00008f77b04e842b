#include "gui/desktop/urlopener.h"

#include <QDesktopServices>

bool UrlOpener::open(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}
