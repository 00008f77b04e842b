#pragma once

#include <QStringList>
#include <QTreeWidget>

class QMenu;

// The batch list: one row per address, with the output format shown for it and
// the status the conversion writes. Rows are addressed from 0 here.
class UrlListWidget : public QTreeWidget
{
    Q_OBJECT
public:
    enum Column { AddressColumn = 0, FormatColumn = 1, StatusColumn = 2 };
    // The whole address of a row; its text shows at most LongestShownAddress
    // characters of it.
    static constexpr int AddressRole = Qt::UserRole;
    static constexpr int LongestShownAddress = 2048;

    explicit UrlListWidget(QWidget* parent = nullptr);

    // The menu a right button press opens over the list.
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }

    int rowCount() const { return topLevelItemCount(); }
    QString address(int row) const;
    QString format(int row) const;
    QString status(int row) const;
    QStringList addresses() const;

    void appendRow(const QString& address, const QString& format);
    void setStatus(int row, const QString& status);
    // A conversion's status, with its reason as the row's tooltip; an empty
    // reason gives the list's own tooltip back.
    void setResult(int row, const QString& status, const QString& reason);
    void setAllFormats(const QString& format);
    // The selected row, or -1.
    int selectedRow() const;
    bool removeSelectedRow();

    // True for names the list takes from a drop: those ending in HTM or HTML,
    // in any letter case.
    static bool isHtmlFileName(const QString& path);

signals:
    // A double click asks to visit the selected row, not the one under the pointer.
    void visitRequested();
    // A drop met a file that is no HTML file; the files after it were ignored.
    void nonHtmlFileDropped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void popupForKeyboard();

    QMenu* m_popupMenu = nullptr;
};
