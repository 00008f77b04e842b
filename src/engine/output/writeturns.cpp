#include "engine/output/writeturns.h"

void WriteTurns::whenTurn(int turn, QObject* context, std::function<void()> then)
{
    if (turn <= m_next) {
        then();
        return;
    }
    m_waiting.insert(turn, { context, std::move(then) });
}

void WriteTurns::end(int turn)
{
    if (turn < m_next)
        return;
    m_ended.insert(turn);
    m_waiting.remove(turn);
    while (m_ended.remove(m_next))
        ++m_next;
    wakeNext();
}

void WriteTurns::wakeNext()
{
    const auto it = m_waiting.find(m_next);
    if (it == m_waiting.end())
        return;
    const Waiter waiter = it.value();
    m_waiting.erase(it);
    if (waiter.context)
        waiter.then();
}
