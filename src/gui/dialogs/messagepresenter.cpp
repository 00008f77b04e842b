#include "gui/dialogs/messagepresenter.h"

#include "core/app/appinfo.h"

#include <QMessageBox>

void MessagePresenter::information(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, AppInfo::title(), text);
}

void MessagePresenter::critical(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, AppInfo::title(), text);
}

bool MessagePresenter::question(QWidget* parent, const QString& text)
{
    return QMessageBox::question(
               parent, AppInfo::title(), text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}
