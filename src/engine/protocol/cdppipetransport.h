#pragma once

#include "engine/protocol/cdptransport.h"

class QSocketNotifier;

// The browser's end of --remote-debugging-pipe: we write on `writeFd` (its fd 3)
// and read on `readFd` (its fd 4), both taken over and closed here.
//
// A browser that closes its end while it runs must not end the converter: a
// write that meets no reader fails with EPIPE instead of raising SIGPIPE, and is
// reported as the browser's end.
class CdpPipeTransport : public CdpTransport
{
    Q_OBJECT
public:
    CdpPipeTransport(int readFd, int writeFd, QObject* parent = nullptr);
    ~CdpPipeTransport() override;

    void write(const QByteArray& message) override;
    void close() override;
    bool isOpen() const override { return m_readFd >= 0; }

private:
    void onReadable();
    void onWritable();
    // Reports the end once, from the event loop.
    void fail(const QString& reason);

    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier* m_readNotifier = nullptr;
    QSocketNotifier* m_writeNotifier = nullptr;
    QByteArray m_out;
    qsizetype m_written = 0;
    QByteArray m_chunk;
    bool m_failing = false;
};
