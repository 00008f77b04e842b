#include "engine/capture/localfilerule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

Q_DECLARE_METATYPE(LocalRequestKind)

// The rule on a real folder: links in the page's folder that lead out of it, a
// folder asked for as a frame, "..", and names that only start like the folder.
class TestLocalFileRule : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void decidesOnRealPaths_data();
    void decidesOnRealPaths();

private:
    QUrl file(const QString& relative) const
    {
        return QUrl::fromLocalFile(m_root.path() + QLatin1Char('/') + relative);
    }

    QTemporaryDir m_root;
};

void TestLocalFileRule::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    for (const char* folder : { "site/sub", "private", "site2" })
        QVERIFY(root.mkpath(QString::fromLatin1(folder)));
    for (const char* name : { "site/page.html", "site/script.js", "site/sub/frame.html",
             "private/secret.html", "site2/script.js" }) {
        QFile f(root.filePath(QString::fromLatin1(name)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    auto link = [&](const QString& target, const char* name) {
        QVERIFY(QFile::link(target, root.filePath(QString::fromLatin1(name))));
    };
    link(root.filePath(QStringLiteral("private/secret.html")), "site/secret.html");
    link(root.filePath(QStringLiteral("private")), "site/private");
    link(QStringLiteral("/"), "site/root");
    link(QStringLiteral("../script.js"), "site/sub/script.js");
    link(root.filePath(QStringLiteral("site")), "sitelink");
    link(root.filePath(QStringLiteral("site/loop")), "site/loop");
}

void TestLocalFileRule::decidesOnRealPaths_data()
{
    QTest::addColumn<LocalRequestKind>("kind");
    QTest::addColumn<QString>("request");
    QTest::addColumn<QString>("page");
    QTest::addColumn<bool>("typed");
    QTest::addColumn<bool>("allowed");

    using K = LocalRequestKind;
    const QString page = QStringLiteral("site/page.html");
    QTest::newRow("own script") << K::Script << "site/script.js" << page << false << true;
    QTest::newRow("script through ..")
        << K::Script << "site/sub/../script.js" << page << false << true;
    QTest::newRow("link to a script in the folder")
        << K::Script << "site/sub/script.js" << page << false << true;
    QTest::newRow("script outside") << K::Script << "private/secret.html" << page << false << false;
    QTest::newRow("script out through ..")
        << K::Script << "site/../private/secret.html" << page << false << false;
    QTest::newRow("script through a link out")
        << K::Script << "site/secret.html" << page << false << false;
    QTest::newRow("script of a folder named alike")
        << K::Script << "site2/script.js" << page << false << false;
    QTest::newRow("own frame") << K::SubFrame << "site/sub/frame.html" << page << false << true;
    QTest::newRow("missing frame in the folder")
        << K::SubFrame << "site/missing.html" << page << false << true;
    QTest::newRow("frame through a link out")
        << K::SubFrame << "site/secret.html" << page << false << false;
    QTest::newRow("frame in a linked folder")
        << K::SubFrame << "site/private/secret.html" << page << false << false;
    QTest::newRow("frame through a link to /")
        << K::SubFrame << "site/root/etc/hostname" << page << false << false;
    QTest::newRow("linked folder as a frame")
        << K::SubFrame << "site/private/" << page << false << false;
    QTest::newRow("own sub-folder as a frame")
        << K::SubFrame << "site/sub/" << page << false << false;
    QTest::newRow("link loop as a frame") << K::SubFrame << "site/loop" << page << false << false;
    QTest::newRow("page opened through a linked folder") << K::Script << "site/script.js"
                                                         << "sitelink/page.html" << false << true;
    QTest::newRow("picture from anywhere")
        << K::Image << "private/secret.html" << page << false << true;
    QTest::newRow("style sheet through a link out")
        << K::Stylesheet << "site/secret.html" << page << false << true;
    QTest::newRow("fetch of an own file") << K::Other << "site/script.js" << page << false << false;
    QTest::newRow("typed page") << K::MainFrame << page << page << true << true;
    QTest::newRow("page a script navigates to") << K::MainFrame << page << page << false << false;
    QTest::newRow("typed folder") << K::MainFrame << "site/" << page << true << false;
}

void TestLocalFileRule::decidesOnRealPaths()
{
    QFETCH(LocalRequestKind, kind);
    QFETCH(QString, request);
    QFETCH(QString, page);
    QFETCH(bool, typed);
    QFETCH(bool, allowed);
    QCOMPARE(LocalRequestAllowed(kind, file(request), file(page), typed), allowed);
    // A web page's requests are the engine's business; a web page has no folder.
    QVERIFY(
        LocalRequestAllowed(kind, QUrl(QStringLiteral("http://127.0.0.1/x")), file(page), typed));
    if (kind == LocalRequestKind::SubFrame)
        QVERIFY(!LocalRequestAllowed(
            kind, file(request), QUrl(QStringLiteral("http://127.0.0.1/")), false));
}

QTEST_GUILESS_MAIN(TestLocalFileRule)
#include "tst_localfilerule.moc"
