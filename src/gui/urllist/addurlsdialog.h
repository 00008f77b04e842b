#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

// The dialog in which the user types or pastes addresses, one per line.
class AddUrlsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AddUrlsDialog(QWidget* parent = nullptr);

    // The addresses of a pasted or typed text, in order: lines end at LF or
    // CR LF; empty lines are skipped; nothing else is trimmed or checked.
    static QStringList SplitAddressLines(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Sent by OK, before the dialog closes.
    void addressesEntered(const QStringList& addresses);

private:
    void acceptAddresses();

    QPlainTextEdit* m_text;
};
