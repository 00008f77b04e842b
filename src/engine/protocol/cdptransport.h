#pragma once

#include "engine/protocol/cdpmessagereader.h"

#include <QObject>

// What carries the protocol's messages to a browser and back: the pipe to the
// browser's process, or a fake that replays recorded bytes in the tests. It cuts
// what arrives into messages (see CdpMessageReader); what is sent is one JSON
// object, to which it adds the end of message.
class CdpTransport : public QObject
{
    Q_OBJECT
public:
    explicit CdpTransport(qsizetype maxMessageBytes = CdpMessageReader::DefaultMaxMessageBytes,
        QObject* parent = nullptr);

    // Queues `message` to be written. A pipe that breaks is reported by closed(),
    // from the event loop, never from inside this call.
    virtual void write(const QByteArray& message) = 0;
    // Stops both directions; closed() is not emitted.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

signals:
    void received(const CdpMessage& message);
    // The other end went, or writing to it failed.
    void closed(const QString& reason);

protected:
    // Cuts `size` bytes that arrived into messages and emits each; stops when a
    // receiver closed the transport or deleted it.
    void deliver(const char* data, qsizetype size);

private:
    CdpMessageReader m_reader;
};
