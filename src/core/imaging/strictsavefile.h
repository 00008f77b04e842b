#pragma once

#include <QSaveFile>
#include <atomic>

// A QSaveFile that counts a short write as a failure. The file engine reports
// a write cut short by a full disk or a size limit as fewer bytes written, not
// as an error, and some encoders (the TIFF writer) do not check the count; the
// truncated file would then be committed. Open it Unbuffered so that every
// write passes through here.
class StrictSaveFile : public QSaveFile
{
public:
    using QSaveFile::QSaveFile;

    bool hadShortWrite() const { return m_shortWrite; }
    // The system's reason for the short write (an errno value), or 0.
    int shortWriteError() const { return m_shortWriteError; }
    // Every write fails from the moment `stop` is set (see StopRequested).
    void setStop(const std::atomic<bool>* stop) { m_stop = stop; }

protected:
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool m_shortWrite = false;
    int m_shortWriteError = 0;
    const std::atomic<bool>* m_stop = nullptr;
};
