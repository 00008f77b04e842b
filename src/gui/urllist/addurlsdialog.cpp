#include "gui/urllist/addurlsdialog.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

AddUrlsDialog::AddUrlsDialog(QWidget* parent)
    : QDialog(parent)
    , m_text(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(tr("Add URL(S) to List"));
    resize(502, 298);

    auto* prompt = new QLabel(tr("Enter one Url per line in the text box below including the "
                                 "http:// prefix. Example:%1 or c:\\web\\index.htm")
                                  .arg(QStringLiteral("https://www.example.com/")),
        this);
    prompt->setObjectName(QStringLiteral("lblPrompt"));
    prompt->setWordWrap(true);

    m_text->setObjectName(QStringLiteral("txtUrls"));
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    // An address holds no TAB: the key moves on to the buttons, as in any
    // dialog, instead of typing one that the list would later keep as a blank.
    m_text->setTabChangesFocus(true);
    m_text->installEventFilter(this);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    // Enter inside the text box starts a new line; it must not press OK.
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &AddUrlsDialog::acceptAddresses);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addSpacing(40);
    buttons->addWidget(cancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);
}

QStringList AddUrlsDialog::SplitAddressLines(const QString& text)
{
    QStringList addresses;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        // An empty line between addresses separates them; it never ends the list.
        if (!line.isEmpty())
            addresses.append(line);
    }
    return addresses;
}

bool AddUrlsDialog::eventFilter(QObject* watched, QEvent* event)
{
    // Enter starts a new line; Ctrl+Enter is OK, from inside the text.
    if (watched == m_text && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && key->modifiers().testFlag(Qt::ControlModifier)) {
            acceptAddresses();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void AddUrlsDialog::acceptAddresses()
{
    const QStringList addresses = SplitAddressLines(m_text->toPlainText());
    if (!addresses.isEmpty())
        emit addressesEntered(addresses);
    accept();
}
