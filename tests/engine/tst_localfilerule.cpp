#include "engine/capture/localfilerule.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <unistd.h>

Q_DECLARE_METATYPE(LocalRequestKind)

// The rule on a real folder: links in the page's folder that lead out of it, a
// folder asked for as a frame, "..", names that only start like the folder, names
// that are no text, hidden files and frames that are no documents. Requests are
// written as their addresses have them, percent-escapes included.
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
        return QUrl::fromEncoded(
            "file://" + QUrl::toPercentEncoding(m_root.path(), "/") + '/' + relative.toLatin1());
    }

    QTemporaryDir m_root;
};

void TestLocalFileRule::initTestCase()
{
    QVERIFY(m_root.isValid());
    const QDir root(m_root.path());
    for (const char* folder : { "site/sub", "private", "site2", "site/.hidden" })
        QVERIFY(root.mkpath(QString::fromLatin1(folder)));
    for (const char* name :
        { "site/page.html", "site/script.js", "site/sub/frame.html", "private/secret.html",
            "site2/script.js", "site/\xc3\xa9.html", "site/sub/pic.png", "site/sub/data.json",
            "site/.secret.html", "site/.hidden/page.html", "site/.hidden/script.js" }) {
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
    // Names that are no UTF-8: the engine opens them byte for byte.
    const QByteArray site = QFile::encodeName(root.filePath(QStringLiteral("site/")));
    const QByteArray secret
        = QFile::encodeName(root.filePath(QStringLiteral("private/secret.html")));
    const QByteArray secretFolder = QFile::encodeName(root.filePath(QStringLiteral("private")));
    for (const char* name : { "\xff", "\x80.html", "\xc0\xae.html" })
        QCOMPARE(::symlink(secret.constData(), (site + name).constData()), 0);
    QCOMPARE(::symlink(secretFolder.constData(), (site + "\xfc").constData()), 0);
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
    QTest::newRow("page moving to a page in its folder")
        << K::MainFrame << "site/sub/frame.html" << page << false << true;
    QTest::newRow("page moving out of its folder")
        << K::MainFrame << "private/secret.html" << page << false << false;
    QTest::newRow("page moving to a file that is no page")
        << K::MainFrame << "site/sub/data.json" << page << false << false;
    QTest::newRow("typed folder") << K::MainFrame << "site/" << page << true << false;

    // Bytes that are no text name no file the rule can vouch for, whatever they are.
    QTest::newRow("frame of a link named 0xFF")
        << K::SubFrame << "site/%FF" << page << false << false;
    QTest::newRow("script of a link named 0xFF")
        << K::Script << "site/%FF" << page << false << false;
    QTest::newRow("frame of a link named 0x80")
        << K::SubFrame << "site/%80.html" << page << false << false;
    QTest::newRow("file in a linked folder named 0xFC")
        << K::SubFrame << "site/%FC/secret.html" << page << false << false;
    QTest::newRow("folder named 0xFC") << K::SubFrame << "site/%FC/" << page << false << false;
    QTest::newRow("overlong dot") << K::SubFrame << "site/%C0%AE.html" << page << false << false;
    QTest::newRow("missing name 0xFE") << K::Script << "site/%FE" << page << false << false;
    QTest::newRow("NUL") << K::SubFrame << "site/page.html%00.html" << page << false << false;
    QTest::newRow("escaped slash")
        << K::SubFrame << "site/sub%2Fframe.html" << page << false << false;
    QTest::newRow("UTF-8 name") << K::SubFrame << "site/%C3%A9.html" << page << false << true;
    // Frames show documents only, and nothing hidden.
    QTest::newRow("picture as a frame")
        << K::SubFrame << "site/sub/pic.png" << page << false << true;
    QTest::newRow("data as a frame")
        << K::SubFrame << "site/sub/data.json" << page << false << false;
    QTest::newRow("hidden file as a frame")
        << K::SubFrame << "site/.secret.html" << page << false << false;
    QTest::newRow("page in a hidden folder as a frame")
        << K::SubFrame << "site/.hidden/page.html" << page << false << false;
    QTest::newRow("script in a hidden folder")
        << K::Script << "site/.hidden/script.js" << page << false << false;
    QTest::newRow("data as a script") << K::Script << "site/sub/data.json" << page << false << true;
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
    // Only a frame in the folder that is no document is remarked on.
    const bool remarked = !LocalFrameRemark(kind, file(request), file(page)).isEmpty();
    QCOMPARE(remarked, QTest::currentDataTag() == QByteArray("data as a frame"));
}

QTEST_GUILESS_MAIN(TestLocalFileRule)
#include "tst_localfilerule.moc"
