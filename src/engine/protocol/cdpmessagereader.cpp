#include "engine/protocol/cdpmessagereader.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <cstring>

namespace {

// What is kept of a message too long to hold: its start names the answer's id or
// the event's method, its end the session.
constexpr qsizetype HeadBytes = 96;
constexpr qsizetype TailBytes = 160;

// Where the base64 payload of "data" lies in `message`, or an empty range. The
// browser writes the fields of a result in the protocol's order, so the key comes
// within the first few fields of the answers that carry pictures and streams
// (Page.captureScreenshot, IO.read); a base64 payload holds no quote or backslash,
// so its end is the next quote.
std::pair<qsizetype, qsizetype> bulkRange(const QByteArray& message)
{
    static const QByteArray result = QByteArrayLiteral("\"result\":{");
    static const QByteArray key = QByteArrayLiteral("\"data\":\"");
    const qsizetype at = message.indexOf(result);
    if (at < 0 || at > 32)
        return { 0, 0 };
    const qsizetype data = message.indexOf(key, at);
    if (data < 0 || data > at + 64)
        return { 0, 0 };
    // Text that is not base64 (IO.read of a text stream) stays in the message: it
    // may hold escaped quotes.
    if (message.mid(at, data - at).contains("false"))
        return { 0, 0 };
    const qsizetype begin = data + key.size();
    const qsizetype end = message.indexOf('"', begin);
    if (end < 0 || message.at(end - 1) == '\\')
        return { 0, 0 };
    return { begin, end };
}

// The string value of `key` ("\"sessionId\":\"") in `text`, else empty.
QString stringAfter(const QByteArray& text, const QByteArray& key)
{
    const qsizetype at = text.lastIndexOf(key);
    if (at < 0)
        return QString();
    const qsizetype begin = at + key.size();
    const qsizetype end = text.indexOf('"', begin);
    return end < 0 ? QString() : QString::fromUtf8(text.mid(begin, end - begin));
}

// The id a message starts with ({"id":12,...), else 0.
int leadingId(const QByteArray& text)
{
    static const QByteArray key = QByteArrayLiteral("{\"id\":");
    if (!text.startsWith(key))
        return 0;
    qint64 id = 0;
    for (qsizetype i = key.size(); i < text.size() && i < key.size() + 10; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return c == ',' || c == '}' ? int(id) : 0;
        id = id * 10 + (c - '0');
        if (id > std::numeric_limits<int>::max())
            return 0;
    }
    return 0;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("CdpMessageReader", text);
}

} // namespace

CdpMessageReader::CdpMessageReader(qsizetype maxMessageBytes)
    : m_max(maxMessageBytes)
{
}

QList<CdpMessage> CdpMessageReader::append(const char* data, qsizetype size)
{
    QList<CdpMessage> messages;
    while (size > 0) {
        const char* nul = static_cast<const char*>(std::memchr(data, '\0', size_t(size)));
        const qsizetype part = nul ? nul - data : size;
        if (!m_skipping && m_in.size() + part > m_max) {
            // Too long to hold: only its ends are kept from here on.
            m_skipping = true;
            m_head = (m_in.left(HeadBytes) + QByteArray(data, std::min(part, HeadBytes)))
                         .left(HeadBytes);
            m_tail = m_in.right(TailBytes);
            m_in = QByteArray();
        }
        if (m_skipping) {
            keepTail(data, part);
        } else if (nul && m_in.isEmpty()) {
            messages << parse(QByteArray(data, part));
        } else {
            m_in.append(data, part);
            if (nul)
                messages << parse(std::exchange(m_in, QByteArray()));
        }
        if (!nul)
            break;
        if (m_skipping) {
            messages << oversized();
            m_skipping = false;
            m_head.clear();
            m_tail.clear();
        }
        data += part + 1;
        size -= part + 1;
    }
    return messages;
}

void CdpMessageReader::keepTail(const char* data, qsizetype size)
{
    if (size >= TailBytes)
        m_tail = QByteArray(data + size - TailBytes, TailBytes);
    else
        m_tail = (m_tail + QByteArray(data, size)).right(TailBytes);
}

CdpMessage CdpMessageReader::oversized() const
{
    CdpMessage message;
    message.id = leadingId(m_head);
    message.method = stringAfter(m_head.left(48), QByteArrayLiteral("{\"method\":\""));
    message.sessionId = stringAfter(m_tail, QByteArrayLiteral("\"sessionId\":\""));
    message.unreadable = tr("the browser sent a message larger than %1 MiB").arg(m_max >> 20);
    return message;
}

CdpMessage CdpMessageReader::parse(QByteArray bytes)
{
    CdpMessage message;
    if (bytes.size() > BulkThreshold) {
        const auto [begin, end] = bulkRange(bytes);
        if (end > begin) {
            message.bulk = bytes.mid(begin, end - begin);
            bytes.remove(begin, end - begin);
        }
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        message.id = leadingId(bytes);
        message.sessionId
            = stringAfter(bytes.right(TailBytes), QByteArrayLiteral("\"sessionId\":\""));
        message.bulk.clear();
        message.unreadable = error.error != QJsonParseError::NoError
            ? tr("the browser's message could not be read (%1 at byte %2)")
                  .arg(error.errorString())
                  .arg(error.offset)
            : tr("the browser's message was not a JSON object");
        return message;
    }
    const QJsonObject object = document.object();
    message.sessionId = object.value(QLatin1String("sessionId")).toString();
    const QJsonValue id = object.value(QLatin1String("id"));
    if (!id.isUndefined()) {
        message.id = id.toInt();
        const QJsonValue error = object.value(QLatin1String("error"));
        message.hasError = !error.isUndefined();
        if (message.hasError)
            message.error = error.toObject().value(QLatin1String("message")).toString();
        message.body = object.value(QLatin1String("result")).toObject();
        if (message.id <= 0)
            message.unreadable = tr("the browser's answer had no valid id");
        return message;
    }
    message.method = object.value(QLatin1String("method")).toString();
    message.body = object.value(QLatin1String("params")).toObject();
    return message;
}
