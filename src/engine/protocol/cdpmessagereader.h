#pragma once

#include "engine/protocol/cdpmessage.h"

#include <QByteArray>
#include <QList>

// Cuts the browser's byte stream into messages (JSON objects each ended by a NUL
// byte) and parses them. It holds at most one message's bytes: a message longer
// than the limit is skipped as it arrives, and reported by what its ends say of
// it (its id, its session), so that one command or one page fails and not the
// converter's memory.
class CdpMessageReader
{
public:
    // The most one message may hold. A full-page screenshot in tiles stays far
    // below; a page with hundreds of megabytes of text in one event does not.
    static constexpr qsizetype DefaultMaxMessageBytes = qsizetype(256) << 20;
    // Messages longer than this are looked at for a bulk payload.
    static constexpr qsizetype BulkThreshold = qsizetype(1) << 16;

    explicit CdpMessageReader(qsizetype maxMessageBytes = DefaultMaxMessageBytes);

    // Takes the next bytes read from the pipe and returns the messages they
    // completed, in their order.
    QList<CdpMessage> append(const char* data, qsizetype size);
    // The bytes held of a message not yet complete.
    qsizetype buffered() const { return m_in.size(); }

    // Reads one message (without its NUL byte).
    static CdpMessage parse(QByteArray bytes);

private:
    void keepTail(const char* data, qsizetype size);
    CdpMessage oversized() const;

    qsizetype m_max;
    // The start of the message not yet complete. Only the bytes of each new read
    // are searched for its end: a screenshot arrives in many reads, and scanning
    // it from its start after each would cost its size squared.
    QByteArray m_in;
    // While a message too long is skipped: its first and (so far) last bytes.
    bool m_skipping = false;
    QByteArray m_head;
    QByteArray m_tail;
};
