#pragma once

#include <QHash>
#include <QString>

// The folder each kind of file dialog last ended in, for as long as the
// program runs, so that the next dialog of that kind opens there instead of in
// the program's own folder.
class RecentFolders
{
public:
    enum class Kind { ListFiles, HtmlFiles, WatermarkImage, OutputFolder };

    // Where a dialog of this kind opens: the folder it last ended in; else the
    // folder of `fallback` (a file or a folder) when that exists; else the
    // user's home folder.
    QString startFolder(Kind kind, const QString& fallback = QString()) const;

    // After a dialog was answered: the folder of the chosen file, or the chosen
    // folder itself. Empty answers (cancelled dialogs) change nothing.
    void rememberFile(Kind kind, const QString& filePath);
    void rememberFolder(Kind kind, const QString& folder);

private:
    QHash<int, QString> m_folders;
};
