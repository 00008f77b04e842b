#include "core/files/stagedfiles.h"

#include "core/files/partialfiles.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace {

bool Rename(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// A second name for the file `name` holds now, so that it survives being replaced.
// A link keeps the name whole throughout; where the file system has none, the file
// is moved aside and the name is missing until the rename that follows.
bool KeepAside(const QString& name, const QString& kept, bool* movedAside)
{
    *movedAside = false;
    if (::link(QFile::encodeName(name).constData(), QFile::encodeName(kept).constData()) == 0)
        return true;
    *movedAside = Rename(name, kept);
    return *movedAside;
}

struct Committed
{
    StagedFile file;
    QString kept; // what the name held before, or empty when it held nothing
};

void Undo(const QList<Committed>& done)
{
    for (auto it = done.crbegin(); it != done.crend(); ++it) {
        const auto& [staged, name] = it->file;
        Rename(name, staged);
        if (!it->kept.isEmpty())
            Rename(it->kept, name);
    }
}

} // namespace

bool CommitStagedFiles(const QList<StagedFile>& files, QString* failedName, int* errorCode)
{
    QList<Committed> done;
    for (const StagedFile& file : files) {
        const auto& [staged, name] = file;
        Committed step { file, QString() };
        bool movedAside = false;
        // A symbolic link in the way is replaced itself, as rename() does, and kept
        // as a link; a folder in the way makes the rename fail.
        const QFileInfo old(name);
        if (old.isSymLink() || old.isFile()) {
            step.kept = PartialFileName(name);
            if (!KeepAside(name, step.kept, &movedAside)) {
                *errorCode = errno;
                *failedName = name;
                Undo(done);
                return false;
            }
        }
        if (!Rename(staged, name)) {
            *errorCode = errno;
            *failedName = name;
            if (movedAside)
                Rename(step.kept, name);
            else if (!step.kept.isEmpty())
                QFile::remove(step.kept);
            Undo(done);
            return false;
        }
        done.append(step);
    }
    for (const Committed& step : std::as_const(done)) {
        if (!step.kept.isEmpty())
            QFile::remove(step.kept);
    }
    return true;
}
