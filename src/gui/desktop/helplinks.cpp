#include "gui/desktop/helplinks.h"

#include "core/app/appinfo.h"
#include "gui/app/appcontext.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"

#include <QFileInfo>
#include <QUrl>

#ifndef PAGELITH_HOME_PAGE
#define PAGELITH_HOME_PAGE ""
#endif

HelpLinks::HelpLinks(const AppContext* context, UrlOpener* opener, MessagePresenter* messages)
    : m_context(context)
    , m_opener(opener)
    , m_messages(messages)
{
}

QString HelpLinks::publicHomePage()
{
    QString address = QStringLiteral(PAGELITH_HOME_PAGE).trimmed();
    if (!address.isEmpty() && !address.endsWith(QLatin1Char('/')))
        address += QLatin1Char('/');
    return address;
}

QString HelpLinks::helpFile() const
{
    return m_context->filePath(QString::fromLatin1(AppInfo::HelpFileName));
}

QString HelpLinks::homePageAddress() const
{
    const QString site = publicHomePage();
    return site.isEmpty() ? QUrl::fromLocalFile(helpFile()).toString() : site;
}

QString HelpLinks::supportAddress() const
{
    const QString site = publicHomePage();
    if (!site.isEmpty())
        return site + QStringLiteral("faq.htm");
    QUrl help = QUrl::fromLocalFile(helpFile());
    help.setFragment(QStringLiteral("support"));
    return help.toString();
}

QString HelpLinks::startPageAddress() const
{
    const QString start = m_context->filePath(QString::fromLatin1(StartPageFileName));
    if (QFileInfo(start).isFile())
        return QUrl::fromLocalFile(start).toString();
    if (QFileInfo(helpFile()).isFile())
        return QUrl::fromLocalFile(helpFile()).toString();
    return QStringLiteral("about:blank");
}

void HelpLinks::openHelp(QWidget* parent)
{
    const QString help = helpFile();
    if (!QFileInfo(help).isFile()) {
        m_messages->critical(parent, tr("The help file %1 is missing.").arg(help));
        return;
    }
    if (!m_opener->open(QUrl::fromLocalFile(help)))
        m_messages->critical(parent, tr("No program could open the help file %1.").arg(help));
}

void HelpLinks::openHomePage(QWidget* parent)
{
    if (publicHomePage().isEmpty()) {
        openHelp(parent);
        return;
    }
    openAddress(parent, homePageAddress());
}

void HelpLinks::openSupport(QWidget* parent)
{
    // The help page's own check says when it is missing.
    if (publicHomePage().isEmpty() && !QFileInfo(helpFile()).isFile()) {
        openHelp(parent);
        return;
    }
    openAddress(parent, supportAddress());
}

void HelpLinks::openAddress(QWidget* parent, const QString& address)
{
    if (!m_opener->open(QUrl(address)))
        m_messages->critical(parent, tr("No program could open %1.").arg(address));
}
