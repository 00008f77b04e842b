#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// One message of the DevTools protocol as read from the browser: an answer (its
// id set) or an event (its method set), of the browser (sessionId empty) or of
// an attached target.
struct CdpMessage
{
    // 0 for an event, or for a message whose id could not be read.
    int id = 0;
    QString method;
    QString sessionId;
    // The answer's result, or the event's parameters.
    QJsonObject body;
    // The browser's error message when it refused the command.
    QString error;
    bool hasError = false;
    // A long base64 payload (a screenshot's or a stream's "data"), cut out of the
    // message before it was parsed and left encoded; empty otherwise.
    QByteArray bulk;
    // Why the message could not be read (no JSON, larger than a message may be);
    // empty for a message read whole. The id and session are then what could be
    // made out of the message's ends.
    QString unreadable;
};
