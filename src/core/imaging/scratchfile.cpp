#include "core/imaging/scratchfile.h"

#include "core/imaging/shortwrite.h"

bool ScratchFile::open(OpenMode mode)
{
    QFile::remove(fileName());
    return QFile::open(mode | QIODevice::NewOnly);
}

bool ScratchFile::commit()
{
    if (!isOpen())
        return false;
    close();
    return error() == QFileDevice::NoError && !m_shortWrite;
}

void ScratchFile::cancelWriting()
{
    close();
    remove();
}

qint64 ScratchFile::writeData(const char* data, qint64 length)
{
    if (StopRequested(m_stop))
        return -1;
    return WriteAllOrFail(
        &m_shortWrite, &m_shortWriteError, length, [&] { return QFile::writeData(data, length); });
}
