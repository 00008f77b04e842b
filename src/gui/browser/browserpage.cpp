#include "gui/browser/browserpage.h"

BrowserPage::BrowserPage(QObject* parent)
    : QWebEnginePage(parent)
{
}

bool BrowserPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame)
{
    Q_UNUSED(type);
    emit navigationRequested(url, isMainFrame);
    return true;
}
