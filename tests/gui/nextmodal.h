#pragma once

// Lets a test act on a modal window from inside that window's own event loop,
// as a user would: the call that opens it returns once the handler closed it.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Calls handle with the next modal window that is not ignored (by objectName) and,
// when `className` is given, inherits that class: a window of another kind that
// is active for a moment (while the expected one is being shown) is passed over
// instead of taking the answer meant for the expected one, which would then wait
// for ever.
inline void onNextModal(std::function<void(QWidget*)> handle, const QString& ignored = QString(),
    const char* className = nullptr)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handle, ignored, className] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || (!ignored.isEmpty() && modal->objectName() == ignored)
            || (className && (!modal->inherits(className) || !modal->isVisible())))
            return;
        timer->stop();
        timer->deleteLater();
        handle(modal);
    });
    timer->start();
}
