#pragma once

// Records the message boxes the desktop application would have shown, in order,
// instead of showing them.

#include "gui/dialogs/messagepresenter.h"

#include <QList>
#include <QStringList>

struct RecordedMessage
{
    bool critical;
    QString text;
};

class RecordingPresenter : public MessagePresenter
{
public:
    void information(QWidget*, const QString& text) override { messages.append({ false, text }); }
    void critical(QWidget*, const QString& text) override { messages.append({ true, text }); }
    bool question(QWidget*, const QString& text) override
    {
        questions.append(text);
        return answer;
    }

    QStringList texts() const
    {
        QStringList result;
        for (const RecordedMessage& message : messages)
            result.append(message.text);
        return result;
    }

    QList<RecordedMessage> messages;
    QStringList questions;
    // What question() answers.
    bool answer = true;
};
