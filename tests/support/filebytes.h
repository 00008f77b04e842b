#pragma once

#include <QByteArray>
#include <QFile>
#include <QtTest>

// Byte-exact access to the files under test, shared by the file-format tests.
namespace FileBytes {

// The whole file, or a marker no real file in these tests holds.
inline QByteArray read(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("<unreadable>");
}

inline void write(const QString& file, const QByteArray& bytes)
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes);
}

} // namespace FileBytes
