#include "htmlfilepicker.h"

#include "app/filedialogs.h"

HtmlFilePicker::HtmlFilePicker(FileDialogs* dialogs)
    : m_dialogs(dialogs)
{
}

QString HtmlFilePicker::filter()
{
    return QStringLiteral("Html Files (*.htm *.html)");
}

QStringList HtmlFilePicker::pick(QWidget* parent) const
{
    return m_dialogs->openFileNames(parent, QStringLiteral("Add Html Files"), filter());
}
