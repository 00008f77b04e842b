#include "strictsavefile.h"

qint64 StrictSaveFile::writeData(const char* data, qint64 length)
{
    if (m_shortWrite)
        return -1;
    const qint64 written = QSaveFile::writeData(data, length);
    if (written != length) {
        m_shortWrite = true;
        return -1;
    }
    return written;
}
