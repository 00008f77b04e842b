#pragma once

#include <QWebEnginePage>

// The page the engine loads addresses into. A converter has no user to answer a
// page's alert(), confirm() or prompt(), and in a hidden view such a dialog would
// block the page for ever, so they are dismissed here. It also reports the
// frame tokens the capture script logs once a requested frame has been painted.
// Its default fonts are those of a desktop browser. It shows no error pages and no
// scroll bars, opens no windows, and scripts of a local page cannot read other
// local files.
class CapturePage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit CapturePage(QObject* parent = nullptr);

    // The console line a page logs to report that frame `token` was painted.
    static QString frameTokenMessage(int token);

signals:
    void frameTokenLogged(int token);

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
        const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
        int lineNumber, const QString& sourceID) override;
};
