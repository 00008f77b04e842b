#include "gui/settings/requestsettingsgroup.h"

#include "core/requests/requesttexts.h"
#include "core/settings/settingreaders.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QLineEdit* CreateLine(const QString& objectName, const QString& placeholder, QWidget* parent)
{
    auto* line = new QLineEdit(parent);
    line->setObjectName(objectName);
    line->setPlaceholderText(placeholder);
    return line;
}

} // namespace

RequestSettingsGroup::RequestSettingsGroup(QWidget* parent)
    : QGroupBox(tr("Requests"), parent)
{
    m_headers = new QPlainTextEdit(this);
    m_headers->setObjectName(QStringLiteral("txtHeaders"));
    m_headers->setPlaceholderText(tr("Name: value, one a line"));
    m_headers->setTabChangesFocus(true);
    m_headers->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_headers->setFixedHeight(QFontMetrics(font()).lineSpacing() * 3 + 12);
    m_cookies = CreateLine(QStringLiteral("txtCookies"), tr("a cookies.txt file"), this);
    m_auth = CreateLine(QStringLiteral("txtAuth"), tr("user:password"), this);
    // The password is not shown to whoever looks at the screen.
    m_auth->setEchoMode(QLineEdit::PasswordEchoOnEdit);
    m_authFile = CreateLine(
        QStringLiteral("txtAuthFile"), tr("a file: user:password on its first line"), this);
    m_proxy = CreateLine(QStringLiteral("txtProxy"), tr("http://host:port"), this);
    m_ignoreHttpsErrors = new QCheckBox(tr("Ignore HTTPS certificate errors"), this);
    m_ignoreHttpsErrors->setObjectName(QStringLiteral("chkIgnoreHttpsErrors"));
    m_javascript = CreateLine(QStringLiteral("txtJavaScript"), tr("a .js file"), this);
    m_style = CreateLine(QStringLiteral("txtStyle"), tr("a .css file"), this);

    auto* form = new QFormLayout(this);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    form->addRow(tr("Headers"), m_headers);
    form->addRow(tr("Cookies file"), m_cookies);
    form->addRow(tr("Log-in"), m_auth);
    form->addRow(tr("Log-in file"), m_authFile);
    form->addRow(tr("Proxy"), m_proxy);
    form->addRow(QString(), m_ignoreHttpsErrors);
    form->addRow(tr("Run the script"), m_javascript);
    form->addRow(tr("Add the style sheet"), m_style);
}

void RequestSettingsGroup::load(const QString& file)
{
    m_headers->setPlainText(
        SplitHeaderList(ReadTextSetting(file, Setting::Header)).join(QLatin1Char('\n')));
    m_cookies->setText(ReadTextSetting(file, Setting::Cookies));
    m_auth->setText(ReadTextSetting(file, Setting::Auth));
    m_authFile->setText(ReadTextSetting(file, Setting::AuthFile));
    m_proxy->setText(ReadTextSetting(file, Setting::Proxy));
    m_ignoreHttpsErrors->setChecked(ReadFlagSetting(file, Setting::IgnoreHttpsErrors));
    m_javascript->setText(ReadTextSetting(file, Setting::JavaScript));
    m_style->setText(ReadTextSetting(file, Setting::Style));
}

QString RequestSettingsGroup::storedText(Setting setting) const
{
    switch (setting) {
    case Setting::Header: {
        // A tab typed into a header would split it in two when read back.
        QStringList headers;
        for (const QString& line : m_headers->toPlainText().split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty())
                headers << line.trimmed().replace(QLatin1Char('\t'), QLatin1Char(' '));
        }
        return JoinHeaderList(headers);
    }
    case Setting::Cookies:
        return m_cookies->text().trimmed();
    case Setting::Auth:
        return m_auth->text();
    case Setting::AuthFile:
        return m_authFile->text().trimmed();
    case Setting::Proxy:
        return m_proxy->text().trimmed();
    case Setting::IgnoreHttpsErrors:
        return m_ignoreHttpsErrors->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    case Setting::JavaScript:
        return m_javascript->text().trimmed();
    case Setting::Style:
        return m_style->text().trimmed();
    default:
        return QString();
    }
}

QWidget* RequestSettingsGroup::unusableField(QString* problem) const
{
    // Greyed, the boxes are not the engine's concern and cannot be corrected.
    if (!m_cookies->isEnabled())
        return nullptr;
    const std::pair<QLineEdit*, QString> files[]
        = { { m_cookies, tr("The cookies file") }, { m_authFile, tr("The log-in file") },
              { m_javascript, tr("The script") }, { m_style, tr("The style sheet") } };
    for (const auto& [box, name] : files) {
        const QString path = box->text().trimmed();
        if (!path.isEmpty() && !QFileInfo(path).isFile()) {
            *problem = tr("%1 does not exist:\n%2").arg(name, path);
            return box;
        }
    }
    return nullptr;
}

void RequestSettingsGroup::setRefused(const QString& why)
{
    for (QWidget* control : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        control->setEnabled(why.isEmpty());
        control->setToolTip(why);
    }
}
