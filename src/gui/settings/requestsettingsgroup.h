#pragma once

#include "core/settings/settingskeys.h"

#include <QGroupBox>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// The Page tab's box of what goes with the page's requests and what is put into
// the page: headers, cookies, credentials, proxy, certificate errors, a script and
// a style sheet (keys of section "capture").
class RequestSettingsGroup : public QGroupBox
{
    Q_OBJECT

public:
    explicit RequestSettingsGroup(QWidget* parent = nullptr);

    void load(const QString& file);
    // What OK stores for `setting`; an empty text for keys not shown here.
    QString storedText(Setting setting) const;
    // Greys every control, with `why` as its tooltip; enables them for an empty `why`.
    void setRefused(const QString& why);
    // A file named here that is not there (every page would fail on it): the box
    // to correct, with the reason naming it; null when all are usable.
    QWidget* unusableField(QString* problem) const;

private:
    QPlainTextEdit* m_headers = nullptr;
    QLineEdit* m_cookies = nullptr;
    QLineEdit* m_auth = nullptr;
    QLineEdit* m_authFile = nullptr;
    QLineEdit* m_proxy = nullptr;
    QCheckBox* m_ignoreHttpsErrors = nullptr;
    QLineEdit* m_javascript = nullptr;
    QLineEdit* m_style = nullptr;
};
