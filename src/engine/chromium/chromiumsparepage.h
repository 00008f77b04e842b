#pragma once

#include "engine/capture/captureoptions.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class ChromiumBrowser;
class ChromiumPage;

// The next page of a capturer, opened while the page before it is written: its
// browser context, target and session take a sixth of a small page's time, and
// the browser makes them while nothing else waits for it. It is a fresh context
// like any other page's, and it is used only for a page that would be opened the
// same way (the same request options, window and scale). A spare whose renderer
// or browser went meanwhile is dropped, and the page opens one of its own.
class ChromiumSparePage : public QObject
{
    Q_OBJECT
public:
    explicit ChromiumSparePage(ChromiumBrowser* browser, QObject* parent = nullptr);
    ~ChromiumSparePage() override;

    // Opens a page for `options` in the background, unless one is open or
    // opening for them already. Nothing when the browser is not running.
    void prepare(const CaptureOptions& options);
    // The spare page when it was opened for `options` and is still alive, else
    // null (and the spare, if any, is closed). `whenOpen` is called once the page
    // is open, with the error open() gave: at once when it is open already.
    std::unique_ptr<ChromiumPage> take(
        const CaptureOptions& options, std::function<void(const QString& error)> whenOpen);

private:
    struct Opening
    {
        bool done = false;
        QString error;
        std::function<void(const QString&)> then;
    };

    void drop();

    QPointer<ChromiumBrowser> m_browser;
    std::unique_ptr<ChromiumPage> m_page;
    QByteArray m_key;
    std::shared_ptr<Opening> m_opening;
};
