#include "gui/urllist/urllistcommands.h"

#include "core/settings/settingreaders.h"
#include "gui/app/appcontext.h"
#include "gui/desktop/windowfront.h"
#include "gui/dialogs/messagepresenter.h"
#include "gui/urllist/addurlsdialog.h"
#include "gui/urllist/htmlfilepicker.h"
#include "gui/urllist/urllistfiles.h"
#include "gui/urllist/urllistwidget.h"

UrlListCommands::UrlListCommands(UrlListWidget* list, const AppContext* context,
    FileDialogs* dialogs, MessagePresenter* messages, QWidget* window)
    : QObject(window)
    , m_list(list)
    , m_context(context)
    , m_dialogs(dialogs)
    , m_messages(messages)
    , m_window(window)
    , m_files(new UrlListFiles(list, dialogs, context->recentFolders(), messages))
{
    // Queued: a modal box opened inside the drop would keep the program the drag
    // came from waiting until the box is closed.
    connect(m_list, &UrlListWidget::nonHtmlFileDropped, this, &UrlListCommands::refuseDrop,
        Qt::QueuedConnection);
}

UrlListCommands::~UrlListCommands()
{
    delete m_files;
}

QString UrlListCommands::currentOutputFormat() const
{
    return ReadTextSetting(m_context->settingsFile(), Setting::OutputFormat);
}

void UrlListCommands::appendAddress(const QString& address)
{
    m_list->appendRow(address, currentOutputFormat());
}

void UrlListCommands::appendAddresses(const QStringList& addresses)
{
    const QString format = currentOutputFormat();
    for (const QString& address : addresses)
        m_list->appendRow(address, format);
}

void UrlListCommands::refreshOutputFormats()
{
    m_list->setAllFormats(currentOutputFormat());
}

void UrlListCommands::removeSelected()
{
    m_list->removeSelectedRow();
}

void UrlListCommands::clearAll()
{
    const int rows = m_list->rowCount();
    if (rows == 0)
        return;
    // A long list typed or collected by hand is gone for good once cleared.
    if (!m_messages->question(
            m_window, tr("Remove all %n addresses from the list?", nullptr, rows)))
        return;
    m_list->clear();
}

void UrlListCommands::addHtmlFiles()
{
    appendAddresses(HtmlFilePicker(m_dialogs, m_context->recentFolders()).pick(m_window));
}

AddUrlsDialog* UrlListCommands::addUrlsDialog() const
{
    return m_addUrlsDialog;
}

AddUrlsDialog* UrlListCommands::createAddUrlsDialog()
{
    m_addUrlsDialog = new AddUrlsDialog(m_window);
    m_addUrlsDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(
        m_addUrlsDialog, &AddUrlsDialog::addressesEntered, this, &UrlListCommands::appendAddresses);
    return m_addUrlsDialog;
}

void UrlListCommands::showAddUrlsModal()
{
    if (m_addUrlsDialog) {
        // The toolbar's copy is already open, perhaps behind the main window
        // or minimised with it.
        BringToFront(m_addUrlsDialog);
        return;
    }
    createAddUrlsDialog()->exec();
}

void UrlListCommands::showAddUrlsModeless()
{
    if (!m_addUrlsDialog)
        createAddUrlsDialog();
    BringToFront(m_addUrlsDialog);
}

void UrlListCommands::saveList()
{
    m_files->saveList(m_window);
}

void UrlListCommands::loadList()
{
    if (m_files->loadList(m_window))
        refreshOutputFormats();
}

void UrlListCommands::refuseDrop()
{
    m_messages->information(m_window, tr("Only HTML files are allowed!"));
}
