#include "gui/urllist/urllistfiles.h"

#include "core/urllist/urllistfile.h"
#include "gui/dialogs/filedialogs.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/dialogs/recentfolders.h"
#include "gui/urllist/urllistwidget.h"

UrlListFiles::UrlListFiles(
    UrlListWidget* list, FileDialogs* dialogs, RecentFolders* folders, MessagePresenter* messages)
    : m_list(list)
    , m_dialogs(dialogs)
    , m_folders(folders)
    , m_messages(messages)
{
}

QString UrlListFiles::filter()
{
    return tr("Url List Files(*.ulf)");
}

void UrlListFiles::saveList(QWidget* parent)
{
    const QString path = m_dialogs->saveFileName(parent, tr("Save converting project file"),
        m_folders->startFolder(RecentFolders::Kind::ListFiles), filter());
    if (path.isEmpty())
        return;
    m_folders->rememberFile(RecentFolders::Kind::ListFiles, path);
    QList<UrlListRow> rows;
    for (int row = 0; row < m_list->rowCount(); ++row)
        rows.append(UrlListRow { m_list->address(row), m_list->format(row) });
    QString error;
    if (SaveUrlList(path, rows, &error))
        m_messages->information(parent, tr("Url List File is saved!"));
    else
        m_messages->critical(parent, tr("Save Url List File Error!"));
}

bool UrlListFiles::loadList(QWidget* parent)
{
    const QString path = m_dialogs->openFileName(parent, tr("Select a converting project file"),
        m_folders->startFolder(RecentFolders::Kind::ListFiles), filter());
    if (path.isEmpty())
        return false;
    m_folders->rememberFile(RecentFolders::Kind::ListFiles, path);
    QStringList addresses;
    QString error;
    if (!LoadUrlList(path, &addresses, &error)) {
        // The list stays as it was; the user learns why nothing changed. The
        // reason names the file already.
        m_messages->critical(parent, error);
        return false;
    }
    m_list->clear();
    for (const QString& address : std::as_const(addresses))
        m_list->appendRow(address, QString());
    return true;
}
