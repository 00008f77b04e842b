#pragma once

#include <QPointer>
#include <QString>

class QWidget;

// Shows the program's modal message boxes, all captioned with the application
// title. Tests replace it to see what would have been said without a modal box.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;

    virtual void information(QWidget* parent, const QString& text);
    virtual void critical(QWidget* parent, const QString& text);
    // A yes-or-no question; true for yes. No is the default answer.
    virtual bool question(QWidget* parent, const QString& text);
    // Closes an open question as answered no: what it asked about has gone
    // (the batch a quit would cut short ended meanwhile).
    virtual void withdrawQuestion();

private:
    QPointer<QObject> m_question;
};
