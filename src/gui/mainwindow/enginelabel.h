#pragma once

#include "engine/setup/enginechoice.h"

#include <QLabel>
#include <QPointer>

class QProcess;

// The status bar's lasting field that says which engine converts the pages and
// its version ("Chromium 156", "Qt WebEngine 6.4.2"); its tooltip holds the
// engine's notices (a fallback, the sandbox turned off). A batch's status never
// writes here.
class EngineLabel : public QLabel
{
    Q_OBJECT
public:
    explicit EngineLabel(QWidget* parent = nullptr);
    ~EngineLabel() override;

    void showEngine(const EngineChoice& engine, const QString& notices);

    // "Chromium 156" from what `chromium --version` prints; empty when it names
    // no version.
    static QString chromiumVersionName(const QString& versionOutput);
    // The engine's name with its version as far as it is known yet.
    static QString engineName(const EngineChoice& engine);

signals:
    // The version of the Chromium shown came in (tests wait for it).
    void versionKnown();

private:
    void showText(const QString& name);
    // Ends a version query under way (its answer is no longer wanted).
    void stopAsking();

    QString m_notices;
    QString m_path;
    QPointer<QProcess> m_asking;
};
