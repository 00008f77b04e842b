#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

class QIODevice;

// Writes an 8-bit RGB PNG whose rows arrive one at a time, top row first, as
// blue, green, red bytes (the order a bitmap holds them in). The rows are gathered
// into bands that are compressed side by side, each on a thread of its own, and
// joined into one zlib stream as a parallel gzip joins its blocks: every band but
// the last ends on a byte boundary (a sync flush), starts from the previous band's
// last 32 KiB as its dictionary, so the file is about as small as one stream would
// make it, and the stream's checksum is combined from the bands' own. Band edges
// are fixed by row counts, never by the number of threads: the same picture gives
// the same bytes on any machine.
class PngBandWriter
{
public:
    PngBandWriter(
        QIODevice* device, int width, int height, int dotsPerMeterX = 0, int dotsPerMeterY = 0);
    ~PngBandWriter();
    PngBandWriter(const PngBandWriter&) = delete;
    PngBandWriter& operator=(const PngBandWriter&) = delete;

    // Adds the next row (width * 3 bytes, blue, green, red). False once the device
    // refused a write or compression failed; every later call is false too.
    bool addRow(const uchar* bgr);
    // Compresses what is left and ends the file. False as for addRow, or when
    // fewer rows than the height were added.
    bool finish();

    // How many bands are compressed at once (at least 1), for tests and benchmarks;
    // the bytes written do not depend on it.
    void setThreads(int threads);

private:
    struct Band;
    bool fail();
    bool writeHeader();
    bool flushBands(bool last);
    bool writeChunk(const char type[4], const uchar* data, qsizetype size);

    QIODevice* m_device;
    int m_width;
    int m_height;
    int m_dotsPerMeterX;
    int m_dotsPerMeterY;
    int m_threads;
    int m_rowsAdded = 0;
    int m_bandRows;
    qsizetype m_rowBytes;
    bool m_failed = false;
    bool m_headerWritten = false;
    bool m_streamStarted = false;
    std::vector<uchar> m_previousRow;
    std::vector<Band> m_bands;
    // The tail of the last band compressed: the dictionary of the next.
    QByteArray m_dictionary;
    quint32 m_adler;
};
