#pragma once

#include <QWebEnginePage>

// The browser window's page. It reports every navigation before it starts,
// frames included, so the address box can follow what the browser is opening.
class BrowserPage : public QWebEnginePage
{
    Q_OBJECT

public:
    explicit BrowserPage(QObject* parent = nullptr);

signals:
    void navigationRequested(const QUrl& url, bool isMainFrame);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
};
