#include "core/imaging/strictsavefile.h"

#include "core/imaging/shortwrite.h"

qint64 StrictSaveFile::writeData(const char* data, qint64 length)
{
    if (StopRequested(m_stop))
        return -1;
    return WriteAllOrFail(&m_shortWrite, &m_shortWriteError, length,
        [&] { return QSaveFile::writeData(data, length); });
}
