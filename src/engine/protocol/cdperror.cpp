#include "engine/protocol/cdperror.h"

#include <QCoreApplication>

CdpError CdpError::fromProtocol(const QString& text)
{
    // What the browser answers a script whose document (and world with it) was
    // replaced while it ran, or before it was sent.
    static const char* const contextLost[] = {
        "Execution context was destroyed",
        "Cannot find context with specified id",
        "Inspected target navigated or closed",
        "Cannot find default execution context",
    };
    for (const char* words : contextLost) {
        if (text.contains(QLatin1String(words), Qt::CaseInsensitive))
            return CdpError(Kind::ContextLost,
                QCoreApplication::translate("CdpError", "The page navigated during its capture"));
    }
    return CdpError(Kind::Protocol, text);
}
