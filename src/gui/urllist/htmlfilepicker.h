#pragma once

#include <QStringList>

class FileDialogs;
class QWidget;

// Lets the user choose HTML files, several at once. Returns their full paths
// in the order the dialog gives them; empty when cancelled.
class HtmlFilePicker
{
public:
    explicit HtmlFilePicker(FileDialogs* dialogs);

    static QString filter();
    QStringList pick(QWidget* parent) const;

private:
    FileDialogs* m_dialogs;
};
