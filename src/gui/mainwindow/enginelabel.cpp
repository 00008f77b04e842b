#include "gui/mainwindow/enginelabel.h"

#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QtWebEngineCore/qtwebenginecoreglobal.h>

namespace {

// One answer per executable for the program's run: it does not change under it.
QHash<QString, QString>& KnownVersions()
{
    static QHash<QString, QString> versions;
    return versions;
}

} // namespace

EngineLabel::EngineLabel(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("lblEngine"));
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

EngineLabel::~EngineLabel()
{
    stopAsking();
}

QString EngineLabel::chromiumVersionName(const QString& versionOutput)
{
    static const QRegularExpression version(
        QStringLiteral("^\\s*(\\S.*?)\\s+(\\d+)\\.\\d+[.\\d]*"));
    const QRegularExpressionMatch match = version.match(versionOutput);
    if (!match.hasMatch())
        return QString();
    // "Google Chrome 156" keeps its maker's name; Debian's says "Chromium".
    return match.captured(1) + QLatin1Char(' ') + match.captured(2);
}

QString EngineLabel::engineName(const EngineChoice& engine)
{
    if (engine.kind == EngineKind::Qt)
        return tr("Qt WebEngine %1").arg(QString::fromLatin1(qWebEngineVersion()));
    return KnownVersions().value(engine.chromiumPath, tr("Chromium"));
}

void EngineLabel::showEngine(const EngineChoice& engine, const QString& notices)
{
    m_notices = notices;
    m_path = engine.kind == EngineKind::Chromium ? engine.chromiumPath : QString();
    showText(engineName(engine));
    if (m_path.isEmpty() || KnownVersions().contains(m_path))
        return;
    // Already being asked: its answer is shown when it comes.
    if (m_asking && m_asking->property("path").toString() == m_path)
        return;
    stopAsking();
    // Asked once, without waiting: the browser itself starts only for the first page.
    auto* asking = new QProcess(this);
    m_asking = asking;
    asking->setProperty("path", m_path);
    const QString path = m_path;
    connect(asking, &QProcess::finished, this, [this, asking, path] {
        const QString name
            = chromiumVersionName(QString::fromLocal8Bit(asking->readAllStandardOutput()));
        asking->deleteLater();
        if (name.isEmpty())
            return;
        KnownVersions().insert(path, name);
        if (m_path == path)
            showText(name);
        emit versionKnown();
    });
    connect(asking, &QProcess::errorOccurred, asking, [asking](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            asking->deleteLater();
    });
    asking->start(m_path, { QStringLiteral("--version") }, QIODevice::ReadOnly);
}

void EngineLabel::stopAsking()
{
    if (!m_asking)
        return;
    QProcess* asking = m_asking;
    m_asking.clear();
    asking->disconnect(this);
    if (asking->state() != QProcess::NotRunning) {
        asking->kill();
        asking->waitForFinished(1000);
    }
    delete asking;
}

void EngineLabel::showText(const QString& name)
{
    // A warning sign says the tooltip has something to tell.
    setText(m_notices.isEmpty() ? name : QStringLiteral("\u26a0 ") + name);
    QString tip = m_path.isEmpty() ? tr("Pages are converted with %1").arg(name)
                                   : tr("Pages are converted with %1 (%2)").arg(name, m_path);
    if (!m_notices.isEmpty())
        tip += QStringLiteral("\n\n") + m_notices;
    setToolTip(tip);
}
