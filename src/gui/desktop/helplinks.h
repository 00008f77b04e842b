#pragma once

#include <QCoreApplication>
#include <QString>

class AppContext;
class MessagePresenter;
class QWidget;
class UrlOpener;

// Opens the help file and the product's web pages in the desktop's browser.
// When nothing opens them the user is told so, rather than left waiting.
class HelpLinks
{
    Q_DECLARE_TR_FUNCTIONS(HelpLinks)

public:
    HelpLinks(const AppContext* context, UrlOpener* opener, MessagePresenter* messages);

    static QString homePageAddress();
    static QString supportAddress();

    void openHelp(QWidget* parent);
    void openHomePage(QWidget* parent);
    void openSupport(QWidget* parent);

private:
    void openAddress(QWidget* parent, const QString& address);

    const AppContext* m_context;
    UrlOpener* m_opener;
    MessagePresenter* m_messages;
};
