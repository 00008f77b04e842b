#pragma once

#include <QCoreApplication>
#include <QString>

class AppContext;
class MessagePresenter;
class QWidget;
class UrlOpener;

// Opens the help file and the product's web pages in the desktop's browser.
// When nothing opens them the user is told so, rather than left waiting.
//
// Until the project has a public address (the build's PAGELITH_HOME_PAGE), the
// home page and support entries open the installed help page, which works
// without a network.
class HelpLinks
{
    Q_DECLARE_TR_FUNCTIONS(HelpLinks)

public:
    // `opener` and `messages` may be null for a caller that only asks for addresses.
    HelpLinks(const AppContext* context, UrlOpener* opener, MessagePresenter* messages);

    // The project's public home page; empty while it has none.
    static QString publicHomePage();
    // The start page shipped with the program ("start.html" beside it); empty
    // when it is missing.
    static constexpr const char* StartPageFileName = "start.html";

    // The public home page, else the installed help page.
    QString homePageAddress() const;
    // "faq.htm" under the public home page, else the help page's support section.
    QString supportAddress() const;
    // Where the mini browser opens: the shipped start page, else the help page,
    // else a blank page.
    QString startPageAddress() const;

    void openHelp(QWidget* parent);
    void openHomePage(QWidget* parent);
    void openSupport(QWidget* parent);

private:
    void openAddress(QWidget* parent, const QString& address);
    QString helpFile() const;

    const AppContext* m_context;
    UrlOpener* m_opener;
    MessagePresenter* m_messages;
};
