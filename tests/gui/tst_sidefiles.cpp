// The files the build places beside the program: the logo, the skin (valid,
// and harmless when missing or broken) and the help file.

#include "gui/mainwindow/mainwindow.h"
#include "gui/widgets/skin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        g_warnings.append(message);
}

// The build puts the side files beside the programs; the tests run one folder over.
QString programFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin");
}

void writeSkin(const QTemporaryDir& folder, const QByteArray& bytes)
{
    QDir(folder.path()).mkpath(QStringLiteral("skins"));
    QFile file(folder.filePath(QStringLiteral("skins/frmmain.skn")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSideFiles : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void logoIsAPicture();
    void helpCoversEveryFeature();
    void shippedSkinParses();
    void missingSkinLeavesTheDesktopLook();
    void binarySkinIsRefused();
};

void TestSideFiles::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestSideFiles::logoIsAPicture()
{
    const QImage logo(programFolder() + QStringLiteral("/logo.jpg"));
    QVERIFY(!logo.isNull());
}

void TestSideFiles::helpCoversEveryFeature()
{
    QFile file(programFolder() + QStringLiteral("/help.html"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString help = QString::fromUtf8(file.readAll());
    for (const char* section : { "list", "add", "files", "convert", "settings", "naming",
             "watermarks", "browser", "schedule", "tray", "cli", "support" })
        QVERIFY2(help.contains(QStringLiteral("id=\"%1\"").arg(QLatin1String(section))), section);
    // Links inside the guide lead to its own sections or to the product's site only.
    const QRegularExpression link(QStringLiteral("href=\"([^\"]*)\""));
    for (const QRegularExpressionMatch& match : link.globalMatch(help)) {
        const QString target = match.captured(1);
        QVERIFY2(target.startsWith(QLatin1Char('#'))
                || target.startsWith(QLatin1String("https://pagelith.example/")),
            qPrintable(target));
        if (target.startsWith(QLatin1Char('#')))
            QVERIFY2(
                help.contains(QStringLiteral("id=\"%1\"").arg(target.mid(1))), qPrintable(target));
    }
}

void TestSideFiles::shippedSkinParses()
{
    const QString programs = programFolder();
    QVERIFY2(QFile::exists(programs + QStringLiteral("/skins/frmmain.skn")), qPrintable(programs));
    QString error;
    QVERIFY2(ApplySkin(qApp, programs, &error), qPrintable(error));
    QVERIFY(!qApp->styleSheet().isEmpty());

    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectWarnings);
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.grab();
    }
    qInstallMessageHandler(previous);
    for (const QString& warning : std::as_const(g_warnings))
        QVERIFY2(!warning.contains(QLatin1String("style sheet"), Qt::CaseInsensitive)
                && !warning.contains(QLatin1String("stylesheet"), Qt::CaseInsensitive),
            qPrintable(warning));
}

void TestSideFiles::missingSkinLeavesTheDesktopLook()
{
    QTemporaryDir folder;
    QString error;
    QVERIFY(!ApplySkin(qApp, folder.path(), &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(qApp->styleSheet().isEmpty());
    MainWindow window;
    window.show();
    QVERIFY(window.isVisible());
}

void TestSideFiles::binarySkinIsRefused()
{
    QTemporaryDir folder;
    writeSkin(folder, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
    QString error;
    QVERIFY(!ApplySkin(qApp, folder.path(), &error));
    QVERIFY(qApp->styleSheet().isEmpty());

    writeSkin(folder, "QWidget { color: #123456; }");
    QVERIFY(ApplySkin(qApp, folder.path(), &error));
    QCOMPARE(qApp->styleSheet(), QStringLiteral("QWidget { color: #123456; }"));
}

QTEST_MAIN(TestSideFiles)
#include "tst_sidefiles.moc"
