#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// The open and save dialogs the list commands use, opening in `folder`. An
// empty result means the user cancelled. Tests replace it to answer without a
// dialog.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;

    virtual QString saveFileName(
        QWidget* parent, const QString& title, const QString& folder, const QString& filter);
    virtual QString openFileName(
        QWidget* parent, const QString& title, const QString& folder, const QString& filter);
    virtual QStringList openFileNames(
        QWidget* parent, const QString& title, const QString& folder, const QString& filter);
};
