#include "engine/protocol/cdptransport.h"

#include <QPointer>

CdpTransport::CdpTransport(qsizetype maxMessageBytes, QObject* parent)
    : QObject(parent)
    , m_reader(maxMessageBytes)
{
}

void CdpTransport::deliver(const char* data, qsizetype size)
{
    const QList<CdpMessage> messages = m_reader.append(data, size);
    QPointer<CdpTransport> self(this);
    for (const CdpMessage& message : messages) {
        emit received(message);
        if (!self || !isOpen())
            return;
    }
}
