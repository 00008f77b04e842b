#include "gui/desktop/helplinks.h"

#include "core/app/appinfo.h"
#include "gui/app/appcontext.h"
#include "gui/desktop/urlopener.h"
#include "gui/dialogs/messagepresenter.h"

#include <QFileInfo>
#include <QUrl>

HelpLinks::HelpLinks(const AppContext* context, UrlOpener* opener, MessagePresenter* messages)
    : m_context(context)
    , m_opener(opener)
    , m_messages(messages)
{
}

QString HelpLinks::homePageAddress()
{
    return QStringLiteral("https://pagelith.example/");
}

QString HelpLinks::supportAddress()
{
    return homePageAddress() + QStringLiteral("faq.htm");
}

void HelpLinks::openHelp(QWidget* parent)
{
    const QString helpFile = m_context->filePath(QString::fromLatin1(AppInfo::HelpFileName));
    if (!QFileInfo(helpFile).isFile()) {
        m_messages->critical(parent, tr("The help file %1 is missing.").arg(helpFile));
        return;
    }
    if (!m_opener->open(QUrl::fromLocalFile(helpFile)))
        m_messages->critical(parent, tr("No program could open the help file %1.").arg(helpFile));
}

void HelpLinks::openHomePage(QWidget* parent)
{
    openAddress(parent, homePageAddress());
}

void HelpLinks::openSupport(QWidget* parent)
{
    openAddress(parent, supportAddress());
}

void HelpLinks::openAddress(QWidget* parent, const QString& address)
{
    if (!m_opener->open(QUrl(address)))
        m_messages->critical(parent, tr("No program could open %1.").arg(address));
}
