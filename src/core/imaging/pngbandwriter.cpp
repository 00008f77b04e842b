#include "core/imaging/pngbandwriter.h"

#include "core/imaging/imageencoder.h"

#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <thread>
#include <zlib.h>

namespace {

// About a megabyte of filtered rows a band: large enough that a thread's start
// and the flush marker cost nothing, small enough that two bands of a short page
// still go side by side.
constexpr qsizetype BandBytes = 1 << 20;
constexpr int WindowBytes = 32 << 10;
constexpr int MostThreads = 4;

enum : uchar { FilterNone = 0, FilterUp = 2 };

// The two bytes that open a zlib stream of a 32 KiB window at `level`, as zlib
// itself would write them.
QByteArray ZlibHeader(int level)
{
    const int levelFlag = level < 2 ? 0 : (level < 6 ? 1 : (level == 6 ? 2 : 3));
    int header = (0x78 << 8) | (levelFlag << 6);
    header += 31 - header % 31;
    QByteArray bytes(2, '\0');
    bytes[0] = char(header >> 8);
    bytes[1] = char(header & 0xff);
    return bytes;
}

} // namespace

struct PngBandWriter::Band
{
    std::vector<uchar> input;
    QByteArray output;
    quint32 adler = 1;
    bool ok = false;

    // Deflates the band on its own: raw deflate, primed with `dictionary`, ended
    // by a sync flush (or the stream's end for the last band) so that the bands'
    // outputs join into one stream.
    void compress(const QByteArray& dictionary, bool last)
    {
        z_stream stream {};
        ok = false;
        if (deflateInit2(&stream, ImageEncoding::PngZlibLevel, Z_DEFLATED, -15, 8, Z_FILTERED)
            != Z_OK)
            return;
        if (!dictionary.isEmpty()
            && deflateSetDictionary(&stream, reinterpret_cast<const Bytef*>(dictionary.constData()),
                   uInt(dictionary.size()))
                != Z_OK) {
            deflateEnd(&stream);
            return;
        }
        output.resize(qsizetype(deflateBound(&stream, uLong(input.size()))) + 64);
        stream.next_in = input.data();
        stream.avail_in = uInt(input.size());
        const int flush = last ? Z_FINISH : Z_SYNC_FLUSH;
        for (;;) {
            stream.next_out = reinterpret_cast<Bytef*>(output.data()) + stream.total_out;
            stream.avail_out = uInt(output.size() - qsizetype(stream.total_out));
            const int result = deflate(&stream, flush);
            const bool done = last
                ? result == Z_STREAM_END
                : (result == Z_OK && stream.avail_in == 0 && stream.avail_out > 0);
            if (done)
                break;
            if (result != Z_OK && result != Z_BUF_ERROR) {
                deflateEnd(&stream);
                return;
            }
            output.resize(output.size() * 2);
        }
        output.resize(qsizetype(stream.total_out));
        deflateEnd(&stream);
        adler = quint32(adler32(1, input.data(), uInt(input.size())));
        ok = true;
    }
};

PngBandWriter::PngBandWriter(
    QIODevice* device, int width, int height, int dotsPerMeterX, int dotsPerMeterY)
    : m_device(device)
    , m_width(width)
    , m_height(height)
    , m_dotsPerMeterX(dotsPerMeterX)
    , m_dotsPerMeterY(dotsPerMeterY)
    , m_threads(std::clamp(int(std::thread::hardware_concurrency()), 1, MostThreads))
    , m_rowBytes(1 + qsizetype(width) * 3)
    , m_adler(1)
{
    m_bandRows = int(std::clamp<qsizetype>(BandBytes / m_rowBytes, 1, std::max(height, 1)));
    m_previousRow.resize(size_t(width) * 3);
}

PngBandWriter::~PngBandWriter() = default;

void PngBandWriter::setThreads(int threads)
{
    m_threads = std::max(threads, 1);
}

bool PngBandWriter::addRow(const uchar* bgr)
{
    if (m_failed || m_rowsAdded >= m_height) {
        m_failed = true;
        return false;
    }
    if (m_bands.empty() || m_bands.back().input.size() >= size_t(m_rowBytes) * size_t(m_bandRows)) {
        if (int(m_bands.size()) == m_threads && !flushBands(false))
            return false;
        m_bands.emplace_back();
        m_bands.back().input.reserve(size_t(m_rowBytes) * size_t(m_bandRows));
    }
    std::vector<uchar>& out = m_bands.back().input;
    const size_t at = out.size();
    out.resize(at + size_t(m_rowBytes));
    uchar* row = out.data() + at;
    const uchar* above = m_previousRow.data();
    // The first row has nothing above it: "up" would equal "none" there anyway.
    row[0] = m_rowsAdded == 0 ? FilterNone : FilterUp;
    uchar* pixel = row + 1;
    if (m_rowsAdded == 0) {
        for (int x = 0; x < m_width; ++x, pixel += 3, bgr += 3) {
            pixel[0] = bgr[2];
            pixel[1] = bgr[1];
            pixel[2] = bgr[0];
        }
        bgr -= size_t(m_width) * 3;
    } else {
        for (int x = 0; x < m_width; ++x, pixel += 3, bgr += 3, above += 3) {
            pixel[0] = uchar(bgr[2] - above[2]);
            pixel[1] = uchar(bgr[1] - above[1]);
            pixel[2] = uchar(bgr[0] - above[0]);
        }
        bgr -= size_t(m_width) * 3;
    }
    std::copy(bgr, bgr + size_t(m_width) * 3, m_previousRow.begin());
    ++m_rowsAdded;
    return true;
}

bool PngBandWriter::finish()
{
    if (m_failed || m_rowsAdded != m_height)
        return false;
    if (!flushBands(true))
        return false;
    return writeChunk("IEND", nullptr, 0);
}

bool PngBandWriter::writeHeader()
{
    static const char signature[] = "\x89PNG\r\n\x1a\n";
    if (m_device->write(signature, 8) != 8)
        return false;
    uchar header[13];
    qToBigEndian(quint32(m_width), header);
    qToBigEndian(quint32(m_height), header + 4);
    header[8] = 8; // bits a sample
    header[9] = 2; // RGB
    header[10] = header[11] = header[12] = 0;
    if (!writeChunk("IHDR", header, sizeof header))
        return false;
    if (m_dotsPerMeterX > 0 || m_dotsPerMeterY > 0) {
        uchar physical[9];
        qToBigEndian(quint32(std::max(m_dotsPerMeterX, 0)), physical);
        qToBigEndian(quint32(std::max(m_dotsPerMeterY, 0)), physical + 4);
        physical[8] = 1; // the unit is the metre
        if (!writeChunk("pHYs", physical, sizeof physical))
            return false;
    }
    return true;
}

bool PngBandWriter::flushBands(bool last)
{
    if (!m_headerWritten) {
        if (!writeHeader())
            return fail();
        m_headerWritten = true;
    }
    // Each band's dictionary is the previous band's filtered tail, known before
    // any of them is compressed: all of them can go at once.
    std::vector<QByteArray> dictionaries(m_bands.size());
    for (size_t i = 0; i < m_bands.size(); ++i) {
        if (i == 0) {
            dictionaries[i] = m_dictionary;
            continue;
        }
        const std::vector<uchar>& before = m_bands[i - 1].input;
        const size_t take = std::min(before.size(), size_t(WindowBytes));
        dictionaries[i] = QByteArray(
            reinterpret_cast<const char*>(before.data() + before.size() - take), qsizetype(take));
    }
    std::vector<std::thread> workers;
    for (size_t i = 1; i < m_bands.size(); ++i)
        workers.emplace_back([this, i, &dictionaries, last] {
            m_bands[i].compress(dictionaries[i], last && i + 1 == m_bands.size());
        });
    if (!m_bands.empty())
        m_bands[0].compress(dictionaries[0], last && m_bands.size() == 1);
    for (std::thread& worker : workers)
        worker.join();

    for (size_t i = 0; i < m_bands.size(); ++i) {
        Band& band = m_bands[i];
        if (!band.ok)
            return fail();
        m_adler = quint32(adler32_combine(m_adler, band.adler, z_off_t(band.input.size())));
        QByteArray data;
        if (!m_streamStarted)
            data = ZlibHeader(ImageEncoding::PngZlibLevel);
        data += band.output;
        if (last && i + 1 == m_bands.size()) {
            uchar check[4];
            qToBigEndian(m_adler, check);
            data.append(reinterpret_cast<const char*>(check), 4);
        }
        if (!writeChunk("IDAT", reinterpret_cast<const uchar*>(data.constData()), data.size()))
            return fail();
        m_streamStarted = true;
    }
    if (!m_bands.empty()) {
        const std::vector<uchar>& tail = m_bands.back().input;
        const size_t take = std::min(tail.size(), size_t(WindowBytes));
        m_dictionary = QByteArray(
            reinterpret_cast<const char*>(tail.data() + tail.size() - take), qsizetype(take));
    }
    m_bands.clear();
    return true;
}

bool PngBandWriter::fail()
{
    m_failed = true;
    return false;
}

bool PngBandWriter::writeChunk(const char type[4], const uchar* data, qsizetype size)
{
    uchar head[8];
    qToBigEndian(quint32(size), head);
    std::copy(type, type + 4, head + 4);
    uLong crc = crc32(0, head + 4, 4);
    if (size > 0)
        crc = crc32(crc, data, uInt(size));
    uchar tail[4];
    qToBigEndian(quint32(crc), tail);
    return m_device->write(reinterpret_cast<const char*>(head), 8) == 8
        && (size == 0 || m_device->write(reinterpret_cast<const char*>(data), size) == size)
        && m_device->write(reinterpret_cast<const char*>(tail), 4) == 4;
}
