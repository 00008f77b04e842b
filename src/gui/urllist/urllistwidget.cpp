#include "gui/urllist/urllistwidget.h"

#include "gui/widgets/rowlist.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

UrlListWidget::UrlListWidget(QWidget* parent)
    : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("lvwAudioTracks"));
    setColumnCount(3);
    setHeaderLabels({ tr("URL List"), tr("Output Format"), tr("Status") });
    headerItem()->setTextAlignment(FormatColumn, Qt::AlignCenter);
    setToolTip(tr("Double Click to Visit at the URL"));
    SetUpRowList(this);
    // Files come in from the desktop; rows are never dragged about.
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(AddressColumn, QHeaderView::Stretch);
    setColumnWidth(FormatColumn, 113);
    setColumnWidth(StatusColumn, 96);
}

QString UrlListWidget::address(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(AddressColumn, AddressRole).toString() : QString();
}

QString UrlListWidget::format(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(FormatColumn) : QString();
}

QString UrlListWidget::status(int row) const
{
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(StatusColumn) : QString();
}

QStringList UrlListWidget::addresses() const
{
    QStringList result;
    for (int row = 0; row < rowCount(); ++row)
        result.append(address(row));
    return result;
}

void UrlListWidget::appendRow(const QString& address, const QString& format)
{
    // The list draws (and measures) its text on every repaint, at a cost that
    // grows with its length: a list file's megabyte line would freeze the
    // window. It shows the start of such an address and keeps all of it.
    const QString shown = address.size() > LongestShownAddress
        ? address.left(LongestShownAddress) + QChar(0x2026)
        : address;
    auto* item = new QTreeWidgetItem({ shown, format, QString() });
    item->setData(AddressColumn, AddressRole, address);
    item->setTextAlignment(FormatColumn, Qt::AlignCenter);
    addTopLevelItem(item);
}

void UrlListWidget::setStatus(int row, const QString& status)
{
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setText(StatusColumn, status);
}

void UrlListWidget::setResult(int row, const QString& status, const QString& reason)
{
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item)
        return;
    item->setText(StatusColumn, status);
    for (int column = 0; column < item->columnCount(); ++column)
        item->setToolTip(column, reason);
}

void UrlListWidget::setAllFormats(const QString& format)
{
    for (int row = 0; row < rowCount(); ++row)
        topLevelItem(row)->setText(FormatColumn, format);
}

int UrlListWidget::selectedRow() const
{
    const QList<QTreeWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : indexOfTopLevelItem(selected.first());
}

bool UrlListWidget::removeSelectedRow()
{
    const int row = selectedRow();
    if (row < 0)
        return false;
    delete takeTopLevelItem(row);
    return true;
}

bool UrlListWidget::isHtmlFileName(const QString& path)
{
    const QString upper = path.toUpper();
    return upper.endsWith(QLatin1String("HTM")) || upper.endsWith(QLatin1String("HTML"));
}

void UrlListWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        // The menu acts on the selection as it stands; the press does not move it.
        if (m_popupMenu)
            m_popupMenu->popup(event->globalPosition().toPoint());
        event->accept();
        return;
    }
    QTreeWidget::mousePressEvent(event);
}

void UrlListWidget::keyPressEvent(QKeyEvent* event)
{
    // The keyboard's way to the menu: the Menu key and Shift+F10.
    if (event->key() == Qt::Key_Menu
        || (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier)) {
        popupForKeyboard();
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

void UrlListWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // A right button press has opened the menu already.
    if (event->reason() == QContextMenuEvent::Keyboard)
        popupForKeyboard();
    event->accept();
}

void UrlListWidget::popupForKeyboard()
{
    if (!m_popupMenu || m_popupMenu->isVisible())
        return;
    // Beside the current row, where the user's eyes are; at the list's top
    // left when there is none.
    QPoint at(4, 4);
    if (QTreeWidgetItem* item = currentItem())
        at = visualItemRect(item).bottomLeft() + QPoint(16, 0);
    m_popupMenu->popup(viewport()->mapToGlobal(at));
}

void UrlListWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit visitRequested();
    event->accept();
}

void UrlListWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void UrlListWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        event->ignore();
}

void UrlListWidget::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    // Only local files count; links dragged from a browser carry no file name.
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    for (const QString& path : std::as_const(paths)) {
        if (!isHtmlFileName(path)) {
            // Rows added by this drop stay; the rest of the drop is dropped.
            emit nonHtmlFileDropped();
            return;
        }
        // A dropped row gets its format with the next refresh, as a loaded one does.
        appendRow(path, QString());
    }
}
