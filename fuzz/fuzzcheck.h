#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// A property every input must keep: a broken one stops the fuzzer like a
// crash, so the input is saved as an artifact.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace FuzzFiles {

// A folder of this process for the files under test, kept for the whole run.
inline QString path(const QString& name)
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/pagelith-fuzz-XXXXXX"));
    return dir.filePath(name);
}

inline void write(const QString& file, const QByteArray& bytes)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        std::abort();
    }
}

inline QByteArray read(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

} // namespace FuzzFiles
