#include "messagepresenter.h"

#include "app/appinfo.h"

#include <QMessageBox>

void MessagePresenter::information(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, AppInfo::title(), text);
}

void MessagePresenter::critical(QWidget* parent, const QString& text)
{
    QMessageBox::critical(parent, AppInfo::title(), text);
}
