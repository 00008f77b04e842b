#include "scratchfile.h"

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
    if (m_shortWrite)
        return -1;
    const qint64 written = QFile::writeData(data, length);
    if (written != length) {
        m_shortWrite = true;
        return -1;
    }
    return written;
}
