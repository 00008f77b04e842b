// The screenshot reader: any bytes. Nothing it reads runs past the input or its
// buffers, and a picture it makes is the picture libpng makes of the same bytes
// (when libpng makes one: it also checks each chunk's CRC).
//
// Input: the PNG's bytes.

#include "core/imaging/pngdecoder.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray png(reinterpret_cast<const char*>(data), qsizetype(size));
    const QImage decoded = DecodePng(png);
    const QImage expected = QImage::fromData(png, "PNG");
    if (!decoded.isNull() && !expected.isNull())
        FUZZ_CHECK(decoded == expected);
    return 0;
}
