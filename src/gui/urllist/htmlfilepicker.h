#pragma once

#include <QCoreApplication>
#include <QStringList>

class FileDialogs;
class RecentFolders;
class QWidget;

// Lets the user choose HTML files, several at once. Returns their full paths
// in the order the dialog gives them; empty when cancelled. The dialog opens
// where the last one of its kind ended.
class HtmlFilePicker
{
    Q_DECLARE_TR_FUNCTIONS(HtmlFilePicker)

public:
    HtmlFilePicker(FileDialogs* dialogs, RecentFolders* folders);

    static QString filter();
    QStringList pick(QWidget* parent) const;

private:
    FileDialogs* m_dialogs;
    RecentFolders* m_folders;
};
