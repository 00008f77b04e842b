#include "gui/dialogs/filedialogs.h"

#include <QFileDialog>

QString FileDialogs::saveFileName(
    QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, folder, filter);
}

QString FileDialogs::openFileName(
    QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, folder, filter);
}

QStringList FileDialogs::openFileNames(
    QWidget* parent, const QString& title, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, title, folder, filter);
}
