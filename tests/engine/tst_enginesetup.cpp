#include "engine/setup/enginesetup.h"

#include <QLoggingCategory>
#include <QStringList>
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
};

QTEST_APPLESS_MAIN(TestEngineSetup)
#include "tst_enginesetup.moc"
