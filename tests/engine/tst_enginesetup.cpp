#include "engine/setup/browserhome.h"
#include "engine/setup/enginesetup.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

namespace {

QStringList received;

void collect(QtMsgType, const QMessageLogContext&, const QString& message)
{
    received.append(message);
}

} // namespace

class TestEngineSetup : public QObject
{
    Q_OBJECT

private slots:
    void engineStartUpReportsStayOffTheOutput()
    {
        const QtMessageHandler testHandler = qInstallMessageHandler(collect);
        // Twice, as a program may: messages still pass exactly once.
        PrepareEngineEnvironment();
        PrepareEngineEnvironment();
        qWarning("No suitable graphics backend found");
        qWarning("A warning of the program's own");
        qInfo("Sandboxing disabled by user.");
        qInstallMessageHandler(testHandler);

        // The sandbox turned off for root is announced once, in the program's words.
        QCOMPARE(received, QStringList({ QStringLiteral("A warning of the program's own") }));
        QVERIFY(!QLoggingCategory("qt.webenginecontext").isInfoEnabled());
        QVERIFY(QLoggingCategory("qt.webenginecontext").isWarningEnabled());
    }

    // Everything the browser keeps of a user lies in the folder given; its
    // temporary folder only where a socket's path still fits.
    void browserHomeLiesInItsFolder()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        for (const int maxTemp : { 0, 4096 }) {
            QProcessEnvironment environment;
            environment.insert(QStringLiteral("HOME"), QStringLiteral("/root"));
            QString error;
            QVERIFY2(
                PutBrowserHomeIn(folder.path(), &environment, &error, maxTemp), qPrintable(error));
            QStringList names { "HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                "XDG_RUNTIME_DIR" };
            if (maxTemp > 0)
                names << QStringLiteral("TMPDIR");
            QCOMPARE(environment.contains(QStringLiteral("TMPDIR")), maxTemp > 0);
            for (const QString& name : std::as_const(names)) {
                const QString path = environment.value(name);
                QVERIFY2(
                    path.startsWith(folder.path() + QLatin1Char('/')) && QFileInfo(path).isDir(),
                    qPrintable(name + QLatin1String("=") + path));
            }
            QCOMPARE(QFileInfo(environment.value(QStringLiteral("XDG_RUNTIME_DIR"))).permissions()
                    & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                QFileDevice::Permissions());
        }
    }
};

QTEST_APPLESS_MAIN(TestEngineSetup)
#include "tst_enginesetup.moc"
