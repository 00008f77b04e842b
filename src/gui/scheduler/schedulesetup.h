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
    // The folder the program runs from; AppFolders says where its files go.
    QString applicationFolder;
    // Shows "Url is error"; the runner itself never shows a message.
    MessagePresenter* messages = nullptr;
    // The application's one-page-at-a-time conversion queue, shared with the
    // batch, so that a scheduled page and a batch page never overlap. Asked for
    // when the first entry starts, since making it starts the web engine.
    // Without it a due entry is marked "Failed".
    std::function<ConversionService*()> conversions;
    // Empty: the system clock.
    std::function<QDateTime()> clock;
    QLocale locale = QLocale::system();

    QDateTime now() const { return clock ? clock() : QDateTime::currentDateTime(); }
};
