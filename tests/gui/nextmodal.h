#pragma once

// Lets a test act on a modal window from inside that window's own event loop,
// as a user would: the call that opens it returns once the handler closed it.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Calls handle with the next modal window that is not ignored (by objectName).
inline void onNextModal(std::function<void(QWidget*)> handle, const QString& ignored = QString())
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handle, ignored] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || (!ignored.isEmpty() && modal->objectName() == ignored))
            return;
        timer->stop();
        timer->deleteLater();
        handle(modal);
    });
    timer->start();
}
