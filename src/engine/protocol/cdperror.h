#pragma once

#include <QString>

// Why a command got no result: the browser's own error, or what the client knows
// of the command's end. A caller that needs the text only takes it as a QString.
struct CdpError
{
    enum class Kind {
        None,
        // The browser refused the command; `message` is its words.
        Protocol,
        // The command's target closed, crashed or was detached before it answered:
        // the browser never answers those.
        TargetClosed,
        // The browser ended, or its pipe broke.
        BrowserClosed,
        // No answer within the command's time limit.
        Timeout,
        // The answer could not be read (no JSON, or larger than a message may be).
        BadReply,
        // The script's world went with its document: the page navigated.
        ContextLost,
    };

    CdpError() = default;
    CdpError(Kind k, const QString& text)
        : kind(k)
        , message(text)
    {
    }
    // The browser's error text, classified: the errors of a world that went with
    // its document are ContextLost.
    static CdpError fromProtocol(const QString& text);

    bool isEmpty() const { return kind == Kind::None; }
    operator QString() const { return message; }

    Kind kind = Kind::None;
    QString message;
};
