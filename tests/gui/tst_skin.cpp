// The skin: the shipped style sheet is valid, and a missing or broken skin
// leaves the application unskinned and working.

#include "app/mainwindow.h"
#include "app/skin.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList g_warnings;

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg || type == QtCriticalMsg)
        g_warnings.append(message);
}

void writeSkin(const QTemporaryDir& folder, const QByteArray& bytes)
{
    QDir(folder.path()).mkpath(QStringLiteral("skins"));
    QFile file(folder.filePath(QStringLiteral("skins/frmmain.skn")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSkin : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void shippedSkinParses();
    void missingSkinLeavesTheDesktopLook();
    void binarySkinIsRefused();
};

void TestSkin::cleanup()
{
    qApp->setStyleSheet(QString());
}

void TestSkin::shippedSkinParses()
{
    // The build puts the skin beside the programs; the tests run one folder over.
    const QString programs = QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin");
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

void TestSkin::missingSkinLeavesTheDesktopLook()
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

void TestSkin::binarySkinIsRefused()
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

QTEST_MAIN(TestSkin)
#include "tst_skin.moc"
