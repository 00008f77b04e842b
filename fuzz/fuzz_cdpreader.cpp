// The reader of the browser's DevTools messages: any bytes, in any pieces, give
// the same messages as in one piece, and it never holds more than one message
// may hold.
//
// Input: the first byte picks the size of the pieces, the rest is the stream.

#include "engine/protocol/cdpmessagereader.h"
#include "fuzzcheck.h"

namespace {

// Small, so that messages too long to hold are met often.
constexpr qsizetype MaxMessage = 4096;

bool same(const CdpMessage& a, const CdpMessage& b)
{
    return a.id == b.id && a.method == b.method && a.sessionId == b.sessionId && a.body == b.body
        && a.error == b.error && a.hasError == b.hasError && a.bulk == b.bulk
        && a.unreadable == b.unreadable;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = qsizetype(data[0] % 64) + 1;
    const char* stream = reinterpret_cast<const char*>(data + 1);
    const qsizetype length = qsizetype(size - 1);

    CdpMessageReader whole(MaxMessage);
    const QList<CdpMessage> expected = whole.append(stream, length);
    FUZZ_CHECK(whole.buffered() <= MaxMessage);

    CdpMessageReader pieces(MaxMessage);
    QList<CdpMessage> got;
    for (qsizetype at = 0; at < length; at += piece) {
        got += pieces.append(stream + at, std::min(piece, length - at));
        FUZZ_CHECK(pieces.buffered() <= MaxMessage);
    }
    FUZZ_CHECK(got.size() == expected.size());
    for (qsizetype i = 0; i < got.size(); ++i) {
        FUZZ_CHECK(same(got[i], expected[i]));
        // A message read whole is an answer or an event; the rest say why not.
        FUZZ_CHECK(!got[i].unreadable.isEmpty() || got[i].id >= 0);
        FUZZ_CHECK(got[i].bulk.isEmpty() || got[i].unreadable.isEmpty());
    }
    FUZZ_CHECK(pieces.buffered() == whole.buffered());
    return 0;
}
