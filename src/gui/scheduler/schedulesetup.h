#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

class ConversionService;
class MessagePresenter;

// What the schedule window, its dialog and its runner need from the
// application. Time and locale are parameters so that tests can fix them.
struct ScheduleSetup
{
    QString applicationFolder;
    // Shows "Url is error"; the runner itself never shows a message.
    MessagePresenter* messages = nullptr;
    // The application's one-page-at-a-time conversion queue, shared with the
    // batch, so that a scheduled page and a batch page never overlap. Without
    // it the runner marks what falls due but converts nothing.
    ConversionService* conversions = nullptr;
    // Empty: the system clock.
    std::function<QDateTime()> clock;
    QLocale locale = QLocale::system();

    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }
};
