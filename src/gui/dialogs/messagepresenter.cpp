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
    QMessageBox box(
        QMessageBox::Question, AppInfo::title(), text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setObjectName(QStringLiteral("questionBox"));
    m_question = &box;
    const int answer = box.exec();
    m_question = nullptr;
    return answer == QMessageBox::Yes;
}

void MessagePresenter::withdrawQuestion()
{
    if (auto* box = qobject_cast<QMessageBox*>(m_question.data()))
        box->done(QMessageBox::No);
}
