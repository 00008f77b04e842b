#include "core/settings/pdfpagesetup.h"

#include <QTest>

// The paper and margin texts of the PDF options: what each means, and what is
// refused.
class TestPdfPageSetup : public QObject
{
    Q_OBJECT

private slots:
    void paperTexts_data();
    void paperTexts();
    void lengthTexts_data();
    void lengthTexts();
    void marginMustLeaveRoom();
};

void TestPdfPageSetup::paperTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QSizeF>("mm"); // empty: refused
    QTest::newRow("A4") << "A4" << QSizeF(210, 297);
    QTest::newRow("any case, blanks") << "  letter " << QSizeF(215.9, 279.4);
    QTest::newRow("Legal") << "LEGAL" << QSizeF(215.9, 355.6);
    QTest::newRow("A3") << "a3" << QSizeF(297, 420);
    QTest::newRow("A5") << "A5" << QSizeF(148, 210);
    QTest::newRow("millimetres") << "210mmx297mm" << QSizeF(210, 297);
    QTest::newRow("inches, blanks") << "8.5in x 11in" << QSizeF(215.9, 279.4);
    QTest::newRow("one unit for both") << "100x150mm" << QSizeF(100, 150);
    QTest::newRow("mixed units") << "10cmX4in" << QSizeF(100, 101.6);
    QTest::newRow("points") << "612ptx792pt" << QSizeF(215.9, 279.4);
    QTest::newRow("smallest side") << "1inx1in" << QSizeF(25.4, 25.4);
    QTest::newRow("largest side") << "200inx1in" << QSizeF(5080, 25.4);
    QTest::newRow("unknown name") << "B5" << QSizeF();
    QTest::newRow("no unit at all") << "210x297" << QSizeF();
    QTest::newRow("unknown unit") << "210furx297fur" << QSizeF();
    QTest::newRow("one side") << "210mm" << QSizeF();
    QTest::newRow("three sides") << "1inx2inx3in" << QSizeF();
    QTest::newRow("negative") << "-210mmx297mm" << QSizeF();
    QTest::newRow("too small") << "20mmx297mm" << QSizeF();
    QTest::newRow("too large") << "201inx11in" << QSizeF();
    QTest::newRow("empty") << "" << QSizeF();
}

void TestPdfPageSetup::paperTexts()
{
    QFETCH(QString, text);
    QFETCH(QSizeF, mm);
    const std::optional<QSizeF> paper = PdfPageSetup::parsePaper(text);
    QCOMPARE(paper.has_value(), !mm.isEmpty());
    if (paper) {
        QVERIFY2(
            qAbs(paper->width() - mm.width()) < 0.01 && qAbs(paper->height() - mm.height()) < 0.01,
            qPrintable(QStringLiteral("%1 x %2").arg(paper->width()).arg(paper->height())));
    }
}

void TestPdfPageSetup::lengthTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("mm"); // negative: refused
    QTest::newRow("mm") << "10mm" << 10.0;
    QTest::newRow("inches") << "0.5in" << 12.7;
    QTest::newRow("pixels") << "96px" << 25.4;
    QTest::newRow("centimetres, blank, case") << " 1.5 CM" << 15.0;
    QTest::newRow("picas") << "6pc" << 25.4;
    QTest::newRow("zero alone") << "0" << 0.0;
    QTest::newRow("leading point") << ".5in" << 12.7;
    QTest::newRow("number alone") << "10" << -1.0;
    QTest::newRow("percent") << "5%" << -1.0;
    QTest::newRow("negative") << "-1mm" << -1.0;
    QTest::newRow("two lengths") << "1mm 2mm" << -1.0;
}

void TestPdfPageSetup::lengthTexts()
{
    QFETCH(QString, text);
    QFETCH(double, mm);
    const std::optional<double> length = PdfPageSetup::parseLength(text);
    QCOMPARE(length.has_value(), mm >= 0);
    if (length)
        QVERIFY2(qAbs(*length - mm) < 0.001, qPrintable(QString::number(*length)));
}

void TestPdfPageSetup::marginMustLeaveRoom()
{
    // A5 is 148 mm wide: 69 mm each side leaves exactly 10 mm, a hair more does not.
    const QSizeF a5(148, 210);
    QVERIFY(PdfPageSetup::marginFits(0, a5));
    QVERIFY(PdfPageSetup::marginFits(69, a5));
    QVERIFY(!PdfPageSetup::marginFits(69.1, a5));
    QVERIFY(!PdfPageSetup::marginFits(-1, a5));
    // A settings file edited by hand is read, never refused: what is no paper or
    // margin, or a margin too wide for the paper, is the default.
    QCOMPARE(PdfPageSetup::paperOrDefault(QStringLiteral("a5")), a5);
    QCOMPARE(PdfPageSetup::paperOrDefault(QStringLiteral("B5")), QSizeF(210, 297));
    QCOMPARE(PdfPageSetup::marginOrDefault(QStringLiteral("69mm"), a5), 69.0);
    QCOMPARE(PdfPageSetup::marginOrDefault(QStringLiteral("70mm"), a5), 10.0);
    QCOMPARE(PdfPageSetup::marginOrDefault(QStringLiteral("wide"), a5), 10.0);
}

QTEST_MAIN(TestPdfPageSetup)
#include "tst_pdfpagesetup.moc"
