#include "engine/chromium/chromiumsparepage.h"

#include "engine/chromium/chromiumbrowser.h"
#include "engine/chromium/chromiumpage.h"

ChromiumSparePage::ChromiumSparePage(ChromiumBrowser* browser, QObject* parent)
    : QObject(parent)
    , m_browser(browser)
{
}

ChromiumSparePage::~ChromiumSparePage() = default;

void ChromiumSparePage::prepare(const CaptureOptions& options)
{
    const QByteArray key = ChromiumPage::openingKey(
        options, options.viewportWidth, options.viewportHeight, options.scale);
    if (m_page && m_key == key && m_page->isOnRunningBrowser())
        return;
    drop();
    if (!m_browser || !m_browser->isRunning())
        return;
    m_page = std::make_unique<ChromiumPage>(m_browser);
    m_page->setRequestOptions(options);
    m_key = key;
    // A renderer that died (the memory watch ends renderers, a page may crash
    // its own) leaves a page that can load nothing.
    ChromiumPage* page = m_page.get();
    connect(page, &ChromiumPage::event, this, [this, page](const QString& method) {
        if (method == QLatin1String("Inspector.targetCrashed") && m_page.get() == page)
            drop();
    });
    auto opening = std::make_shared<Opening>();
    m_opening = opening;
    page->open(options.viewportWidth, options.viewportHeight, options.scale,
        [opening](const QString& error) {
            opening->done = true;
            opening->error = error;
            if (const auto then = std::exchange(opening->then, nullptr))
                then(error);
        });
}

std::unique_ptr<ChromiumPage> ChromiumSparePage::take(
    const CaptureOptions& options, std::function<void(const QString& error)> whenOpen)
{
    const QByteArray key = ChromiumPage::openingKey(
        options, options.viewportWidth, options.viewportHeight, options.scale);
    if (!m_page || m_key != key || !m_page->isOnRunningBrowser()
        || (m_opening->done && !m_opening->error.isEmpty())) {
        drop();
        return nullptr;
    }
    m_page->disconnect(this);
    std::unique_ptr<ChromiumPage> page = std::move(m_page);
    const std::shared_ptr<Opening> opening = std::exchange(m_opening, nullptr);
    m_key.clear();
    // Answered from the event loop, as a page opened now would be: the caller
    // holds the page by then.
    if (opening->done)
        QMetaObject::invokeMethod(
            page.get(), [whenOpen, error = opening->error] { whenOpen(error); },
            Qt::QueuedConnection);
    else
        opening->then = std::move(whenOpen);
    return page;
}

void ChromiumSparePage::drop()
{
    // A page still opening goes with its answers unheard.
    if (m_opening)
        m_opening->then = nullptr;
    m_opening.reset();
    m_page.reset();
    m_key.clear();
}
