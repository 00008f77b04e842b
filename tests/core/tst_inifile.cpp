#include "core/settings/inifile.h"
#include "core/text/localeencoding.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>
#include <unistd.h>

// Acts as another user (effective id) until it goes out of scope.
class EffectiveUser
{
public:
    explicit EffectiveUser(uid_t uid)
        : m_previous(geteuid())
        , m_ok(seteuid(uid) == 0)
    {
    }
    ~EffectiveUser()
    {
        // The tests after this one need the user they started as.
        if (m_ok && seteuid(m_previous) != 0)
            qFatal("Cannot return to user %u", unsigned(m_previous));
    }
    bool ok() const { return m_ok; }

private:
    uid_t m_previous;
    bool m_ok;
};

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString path(const QString& name) const { return m_dir.filePath(name); }

    static void writeBytes(const QString& file, const QByteArray& bytes)
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }

    static QByteArray readBytes(const QString& file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private slots:
    void missingFileReadsEmptyAndWriteCreatesIt()
    {
        const QString file = path("new.dat");
        QCOMPARE(ReadSetting(file, "set", "outputfolder"), QString());
        QVERIFY(!QFile::exists(file));

        QVERIFY(WriteSetting(file, "set", "outputfolder", "/home/u/shots", nullptr));
        QVERIFY(WriteSetting(file, "watermark", "Twz", "3", nullptr));
        QVERIFY(WriteSetting(file, "set", "quality", "85", nullptr));
        QCOMPARE(readBytes(file),
            QByteArray("[set]\r\noutputfolder=/home/u/shots\r\nquality=85\r\n"
                       "[watermark]\r\nTwz=3\r\n"));
        QCOMPARE(ReadSetting(file, "set", "quality"), QString("85"));
    }

    void namesMatchWithoutCaseAndBlanks()
    {
        const QString file = path("case.dat");
        writeBytes(
            file, "[ Watermark ]\r\n  twz = 3 \r\nTRotate=45\r\n[set]\r\noutputformat=  JPG  \r\n");
        QCOMPARE(ReadSetting(file, "watermark", "Twz"), QString("3"));
        QCOMPARE(ReadSetting(file, "WATERMARK", " trotate "), QString("45"));
        QCOMPARE(ReadSetting(file, "set", "outputformat"), QString("JPG"));
        QCOMPARE(ReadSetting(file, "set", "Twz"), QString());

        // Replacing writes the caller's spelling in place of the old line.
        QVERIFY(WriteSetting(file, "watermark", "Twz", "1", nullptr));
        QCOMPARE(readBytes(file),
            QByteArray("[ Watermark ]\r\nTwz=1\r\nTRotate=45\r\n[set]\r\n"
                       "outputformat=  JPG  \r\n"));
    }

    void firstSectionAndFirstKeyWin()
    {
        const QString file = path("dup.dat");
        writeBytes(file, "[set]\r\na=1\r\na=2\r\n[set]\r\na=3\r\nb=4\r\n");
        QCOMPARE(ReadSetting(file, "set", "a"), QString("1"));
        // A key only in the second copy of the section is not seen.
        QCOMPARE(ReadSetting(file, "set", "b"), QString());

        QVERIFY(WriteSetting(file, "set", "a", "9", nullptr));
        QVERIFY(WriteSetting(file, "set", "b", "5", nullptr));
        QCOMPARE(
            readBytes(file), QByteArray("[set]\r\na=9\r\na=2\r\nb=5\r\n[set]\r\na=3\r\nb=4\r\n"));
    }

    void otherLinesKeptByteForByte()
    {
        const QString file = path("keep.dat");
        // LF-only lines, a comment, blank lines and a last line without an end.
        writeBytes(file, "; made by hand\n[set]\nx = 1\n\n\n[watermark]\nTx=5");
        QCOMPARE(ReadSetting(file, "set", "x"), QString("1"));
        QCOMPARE(ReadSetting(file, "watermark", "Tx"), QString("5"));

        QVERIFY(WriteSetting(
            file, "set", "y", "2", nullptr)); // after the last non-blank line of its section
        QVERIFY(WriteSetting(file, "watermark", "Ty", "6", nullptr));
        QCOMPARE(readBytes(file),
            QByteArray("; made by hand\n[set]\nx = 1\ny=2\r\n\n\n[watermark]\nTx=5\r\nTy=6\r\n"));
    }

    void longValuesStoredWhole()
    {
        const QString file = path("long.dat");
        const QString folder = "/home/someone/" + QString(300, QChar('d')) + "/shots";
        QVERIFY(WriteSetting(file, "set", "outputfolder", folder, nullptr));
        QCOMPARE(ReadSetting(file, "set", "outputfolder"), folder);
    }

    void nonAsciiTextRoundTrips()
    {
        const QString file = path("text.dat");
        const QString text = QString::fromUtf8("Grüße – 日本");
        QVERIFY(WriteSetting(file, "watermark", "watertext", text, nullptr));
        QCOMPARE(ReadSetting(file, "watermark", "watertext"), text);

        // A character the encoding cannot hold becomes one '?', the rest survives.
        const QString broken = QString("a") + QChar(0xD800) + "b";
        QCOMPARE(EncodeLocaleText(broken), QByteArray("a?b"));
        QCOMPARE(DecodeLocaleText(EncodeLocaleText(text)), text);
    }

    void lineBreakInValueCannotInjectKeys()
    {
        const QString file = path("inject.dat");
        QVERIFY(WriteSetting(file, "set", "filename", "a\r\n[set]\r\nquality=1", nullptr));
        QCOMPARE(ReadSetting(file, "set", "quality"), QString());
        QCOMPARE(ReadSetting(file, "set", "filename"), QString("a  [set]  quality=1"));
    }

    void invalidNamesAreRefused()
    {
        const QString file = path("names.dat");
        QString error;
        QVERIFY(!WriteSetting(file, "set", "a=b", "1", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!WriteSetting(file, "", "a", "1", &error));
        QVERIFY(!WriteSetting(file, "se]t", "a", "1", &error));
        QVERIFY(!WriteSetting(file, "set", " [a", "1", &error)); // would read as a section
        QVERIFY(!WriteSetting(QString(), "set", "a", "1", &error));
        QVERIFY(!QFile::exists(file));
    }

    void failedWriteIntoMissingFolderIsReported()
    {
        const QString file = path("no/such/folder/settings.dat");
        QString error;
        QVERIFY(!WriteSetting(file, "set", "a", "1", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReadSetting(file, "set", "a"), QString());
    }

    void unreadableFileIsNotOverwritten()
    {
        // A folder in place of the file cannot be read: the write must not replace it.
        const QString file = path("isafolder.dat");
        QVERIFY(QDir().mkpath(file));
        QCOMPARE(ReadSetting(file, "set", "a"), QString());
        QString error;
        QVERIFY(!WriteSetting(file, "set", "a", "1", &error));
        QVERIFY(QFileInfo(file).isDir());
    }

    void fifoAndHugeFilesAreNotRead()
    {
        // A FIFO would block the read until some writer came; a file of 100 MB
        // would be read whole for every key. Neither is a settings file, and
        // neither is replaced by a write.
        const QString fifo = path("fifo.dat");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(ReadSetting(fifo, "set", "a"), QString());
        QString error;
        QVERIFY(!WriteSetting(fifo, "set", "a", "1", &error));
        QVERIFY2(error.contains("not a regular file"), qPrintable(error));
        const QString huge = path("huge.dat");
        writeBytes(huge, "[set]\r\na=1\r\n");
        QFile file(huge);
        QVERIFY(file.resize(MaxSettingsFileBytes + 1));
        QCOMPARE(ReadSetting(huge, "set", "a"), QString());
        QVERIFY(!WriteSetting(huge, "set", "a", "2", &error));
        QCOMPARE(QFileInfo(huge).size(), MaxSettingsFileBytes + 1);
    }

    void unreadableRegularFileIsNotOverwritten()
    {
        // Write-only for its owner: it cannot be read, yet a save could replace
        // it. Root reads any file, so there the test runs as an ordinary user.
        QTemporaryDir shared;
        QVERIFY(QFile::setPermissions(shared.path(), QFile::Permissions(0x7777)));
        const QString file = shared.filePath("writeonly.dat");
        const QByteArray held = "[set]\r\nkept=1\r\n";
        {
            const EffectiveUser user(geteuid() == 0 ? 65534 : geteuid());
            if (!user.ok())
                QSKIP("Cannot take an ordinary user id");
            writeBytes(file, held);
            QVERIFY(QFile::setPermissions(file, QFile::WriteOwner));
            QString error;
            QVERIFY(!WriteSetting(file, "set", "other", "2", &error));
            QVERIFY(error.startsWith("Cannot read"));
        }
        QCOMPARE(readBytes(file), held);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
