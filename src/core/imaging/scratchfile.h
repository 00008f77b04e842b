#pragma once

#include <QFile>
#include <atomic>

// A working file that nobody keeps: written in place, never forced to the disk,
// and removed again if the writing fails. A page's intermediate bitmap is
// hundreds of megabytes that live for a second; syncing them makes the disk
// write data that is deleted moments later. Same checks as StrictSaveFile: a
// short write is a failure. Open it Unbuffered so that every write passes here.
class ScratchFile : public QFile
{
public:
    using QFile::QFile;

    // Always a new file: whatever had the name is removed first, so a name that
    // is a second link to another file, or a symbolic link, is never written through.
    bool open(OpenMode mode) override;
    bool hadShortWrite() const { return m_shortWrite; }
    // The system's reason for the short write (an errno value), or 0.
    int shortWriteError() const { return m_shortWriteError; }
    // Every write fails from the moment `stop` is set (see StopRequested).
    void setStop(const std::atomic<bool>* stop) { m_stop = stop; }
    bool commit();
    void cancelWriting();

protected:
    qint64 writeData(const char* data, qint64 length) override;

private:
    bool m_shortWrite = false;
    int m_shortWriteError = 0;
    const std::atomic<bool>* m_stop = nullptr;
};
