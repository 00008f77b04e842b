#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

// Pages converted side by side write their files one after another, in the order
// they were queued: each page is named as it would be if the pages had been
// converted one at a time ("webimage.png", "webimage_0.png", ... for pages 1, 2,
// ...), whichever page's capture ends first. A page's turn comes once every page
// queued before it has taken its names or ended: their encodings may then run
// side by side.
class WriteTurns
{
public:
    // Calls `then` once every turn before `turn` has ended (at once when they
    // have), unless `context` is gone by then.
    void whenTurn(int turn, QObject* context, std::function<void()> then);
    // The page of `turn` has taken its names, ended, or will never write: later
    // pages may go. Turns are numbered from 1 in queue order; ending one again
    // does nothing.
    void end(int turn);

private:
    struct Waiter
    {
        QPointer<QObject> context;
        std::function<void()> then;
    };

    void wakeNext();

    // Every turn below this one has ended.
    int m_next = 1;
    QSet<int> m_ended;
    QHash<int, Waiter> m_waiting;
};
