#pragma once

#include <QDateTime>
#include <QString>
#include <QUrl>

class QWebEngineLoadingInfo;
class QWebEnginePage;

// What the top-level load of a page has reported so far, and what it comes to.
// Qt reports a failed load's end (loadFinished(false)) before its reason (the HTTP
// status) or after it; the load fails once both are in. A stop followed by a new
// start (a script redirect) goes on.
class LoadProgress
{
public:
    enum class Outcome { Pending, Succeeded, Failed };
    struct Verdict
    {
        Outcome outcome = Outcome::Pending;
        QString reason; // why it failed
    };

    // A load starts in `page`: everything reported before is forgotten.
    void start(const QWebEnginePage* page);
    // Takes one report of loadingChanged().
    Verdict report(const QWebEngineLoadingInfo& info);
    // Takes loadFinished(false).
    Verdict finishedWithoutSuccess();

    // The reason of the latest failure reported, empty while there is none.
    QString error() const { return m_error; }
    // Whether `page` has shown a document since the load started; before that, it
    // still holds the previous one or the blank one a new view starts with.
    bool documentArrived(const QWebEnginePage* page) const;

    // Whether the page has already been asked, after the time-out, how far it got.
    bool askedAfterTimeout() const { return m_askedAfterTimeout; }
    void setAskedAfterTimeout() { m_askedAfterTimeout = true; }

private:
    // A page's current history entry.
    struct Entry
    {
        int count = 0;
        int index = -1;
        QUrl url;
        QDateTime visited;
        bool operator==(const Entry&) const = default;
    };
    static Entry currentEntry(const QWebEnginePage* page);
    Verdict verdict() const;

    QString m_error;
    int m_lastStatus = 0;
    bool m_finishedFailed = false;
    bool m_askedAfterTimeout = false;
    Entry m_entryBefore;
};
