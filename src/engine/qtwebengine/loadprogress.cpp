#include "engine/qtwebengine/loadprogress.h"

#include "engine/capture/loaderror.h"

#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>

void LoadProgress::start(const QWebEnginePage* page)
{
    *this = LoadProgress();
    m_lastStatus = QWebEngineLoadingInfo::LoadStartedStatus;
    m_entryBefore = currentEntry(page);
}

LoadProgress::Verdict LoadProgress::report(const QWebEngineLoadingInfo& info)
{
    m_lastStatus = info.status();
    if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus) {
        m_error.clear();
        m_finishedFailed = false;
        return {};
    }
    if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
        // An error page (the server's own body for an HTTP error) loads
        // "successfully" but is a failure all the same.
        const bool httpError = info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
            && info.errorCode() >= 400;
        if (info.isErrorPage() || httpError)
            return { Outcome::Failed, LoadErrorText(info) };
        return { Outcome::Succeeded, QString() };
    }
    // A refused connection or a missing file ends "stopped", with its reason.
    if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus
        || info.errorDomain() != QWebEngineLoadingInfo::NoErrorDomain)
        m_error = LoadErrorText(info);
    return verdict();
}

LoadProgress::Verdict LoadProgress::finishedWithoutSuccess()
{
    m_finishedFailed = true;
    return verdict();
}

LoadProgress::Verdict LoadProgress::verdict() const
{
    // An HTTP error status is a failure even before the load has ended.
    if (m_lastStatus == QWebEngineLoadingInfo::LoadFailedStatus)
        return { Outcome::Failed, m_error };
    // A stopped load that finished without success: the connection was refused or
    // dropped.
    if (m_finishedFailed && m_lastStatus == QWebEngineLoadingInfo::LoadStoppedStatus)
        return { Outcome::Failed, m_error.isEmpty() ? LoadErrorText(0) : m_error };
    return {};
}

LoadProgress::Entry LoadProgress::currentEntry(const QWebEnginePage* page)
{
    QWebEngineHistory* history = page->history();
    const QWebEngineHistoryItem item = history->currentItem();
    return { history->count(), history->currentItemIndex(), item.url(), item.lastVisited() };
}

bool LoadProgress::documentArrived(const QWebEnginePage* page) const
{
    // Every document shown makes or renews a history entry, even one that replaces
    // the entry of the same address; the page's address says nothing here, as it
    // names the requested page while that is still pending.
    return !(currentEntry(page) == m_entryBefore) && !page->url().isEmpty();
}
