#include "gui/urllist/htmlfilepicker.h"

#include "gui/dialogs/filedialogs.h"
#include "gui/dialogs/recentfolders.h"

HtmlFilePicker::HtmlFilePicker(FileDialogs* dialogs, RecentFolders* folders)
    : m_dialogs(dialogs)
    , m_folders(folders)
{
}

QString HtmlFilePicker::filter()
{
    return tr("Html Files (*.htm *.html)");
}

QStringList HtmlFilePicker::pick(QWidget* parent) const
{
    const QStringList files = m_dialogs->openFileNames(parent, tr("Add Html Files"),
        m_folders->startFolder(RecentFolders::Kind::HtmlFiles), filter());
    if (!files.isEmpty())
        m_folders->rememberFile(RecentFolders::Kind::HtmlFiles, files.constFirst());
    return files;
}
