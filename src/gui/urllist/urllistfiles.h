#pragma once

#include <QCoreApplication>
#include <QString>

class FileDialogs;
class RecentFolders;
class MessagePresenter;
class UrlListWidget;
class QWidget;

// Saves the batch list to a URL list file and loads it back. Both dialogs open
// in the folder where the last list file was saved or loaded.
class UrlListFiles
{
    Q_DECLARE_TR_FUNCTIONS(UrlListFiles)

public:
    UrlListFiles(UrlListWidget* list, FileDialogs* dialogs, RecentFolders* folders,
        MessagePresenter* messages);

    static QString filter();

    // Asks for a file name, writes the list and says how it went. Cancelling
    // the dialog is no failure and says nothing.
    void saveList(QWidget* parent);
    // Asks for a file and replaces the list's rows with its addresses. False
    // when nothing was loaded; the list then stays as it was.
    bool loadList(QWidget* parent);

private:
    UrlListWidget* m_list;
    FileDialogs* m_dialogs;
    RecentFolders* m_folders;
    MessagePresenter* m_messages;
};
