#include "core/text/htmltotext.h"

#include <QtTest>

class TestHtmlToText : public QObject
{
    Q_OBJECT

private slots:
    void convert_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");

        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("nbsp") << "Hello&nbsp;world and more"
                              << "Hello world and more";
        QTest::newRow("entity at the very end") << "x&nbsp;y"
                                                << "x y";
        QTest::newRow("entity before end, later space") << "a&lt;b c"
                                                        << "a<b c";
        QTest::newRow("case-sensitive") << "&AMP; x"
                                        << "&AMP; x";
        QTest::newRow("copy") << "&copy; x" << QString(QChar(0x00A9)) + " x";
        QTest::newRow("yuml") << "&yuml; x" << QString(QChar(0x00FF)) + " x";
        QTest::newRow("unknown") << "&foo; x"
                                 << "&foo; x";
        QTest::newRow("plusmn and shy stay") << "&plusmn;&shy;&#169;"
                                             << "&plusmn;&shy;&#169;";
        QTest::newRow("plusm brvbar") << "&plusm;&brvbar; x" << QString(QChar(0x00B1)) + "| x";
        QTest::newRow("space before semicolon") << "a & b; c"
                                                << "a & b; c";
        QTest::newRow("no semicolon") << "AT&T"
                                      << "AT&T";
        QTest::newRow("never rescanned") << "&amp;lt; x"
                                         << "&lt; x";
        QTest::newRow("cells") << "text1</td><td>text2</td></tr>"
                               << "text1|text2|\r\n";
        QTest::newRow("breaks") << "<P>one<BR>two"
                                << "\r\n\r\none\r\ntwo";
        QTest::newRow("div pre") << "a</DIV>b</pre>c"
                                 << "a\r\n\r\nb\r\nc";
        QTest::newRow("tags with attributes dropped")
            << "<p align=center>one<br />two<BR clear=all><!-- c -->"
            << "onetwo";
        QTest::newRow("spaces and line ends") << "a  \r\n   b"
                                              << "a  b";
        QTest::newRow("two line ends") << "a\r\n\r\nb"
                                       << "a  b";
        QTest::newRow("lone LF and CR") << "a\nb\rc"
                                        << "a b c";
        QTest::newRow("tabs kept") << "a\t\tb"
                                   << "a\t\tb";
        QTest::newRow("stray <") << "3 < 4"
                                 << "3  4";
        QTest::newRow("script text passes") << "<script>var a = 1;</script>"
                                            << "var a = 1;";
        QTest::newRow("trailing line end from the temp file") << "text\r\n"
                                                              << "text ";
        QTest::newRow("empty body text") << "\r\n"
                                         << " ";
    }

    void convert()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(HtmlToText(html), text);
    }

    void bodyIsCut()
    {
        QCOMPARE(HtmlToText("<html><head><title>T</title></head><BODY class=x>Hi<br>you</Body>"
                            "<p>after</html>"),
            QString("Hi\r\nyou"));
        // Without "</body>" the rest runs to the end; without "<body" nothing is cut.
        QCOMPARE(HtmlToText("<title>T</title><body>Hi</html>\r\n"), QString("Hi "));
        QCOMPARE(HtmlToText("a</body>b"), QString("ab"));
        // A body tag without its ">": only the stray "<" goes.
        QCOMPARE(HtmlToText("x<body"), QString("body"));
    }

    void allNamedEntitiesDecode()
    {
        // Every Latin-1 character from U+00A1 to U+00FF except the soft hyphen
        // has a name; U+00A6 is replaced by a plain bar.
        const QStringList names = QString(
            "amp quot lt gt nbsp Auml auml iexcl cent pound curren yen brvbar sect uml copy ordf "
            "laquo not reg macr deg plusm sup2 sup3 acute micro para middot cedil sup1 ordm raquo "
            "frac14 frac12 frac34 iquest Agrave Aacute Acirc Atilde Aring AElig Ccedil Egrave "
            "Eacute Ecirc Euml Igrave Iacute Icirc Iuml ETH Ntilde Ograve Oacute Ocirc Otilde Ouml "
            "times Oslash Ugrave Uacute Ucirc Uuml Yacute THORN szlig agrave aacute acirc atilde "
            "aring aelig ccedil egrave eacute ecirc euml igrave iacute icirc iuml eth ntilde "
            "ograve oacute ocirc otilde ouml divide oslash ugrave uacute ucirc uuml yacute thorn "
            "yuml")
                                      .split(' ');
        QCOMPARE(names.size(), 99);
        QSet<char16_t> decoded;
        for (const QString& name : names) {
            const QString text = HtmlToText("&" + name + ";");
            QVERIFY2(text.size() == 1, qPrintable(name));
            decoded.insert(text.at(0).unicode());
        }
        QSet<char16_t> expected { u'&', u'"', u'<', u'>', u' ', u'|' };
        for (char16_t c = 0xA1; c <= 0xFF; ++c) {
            if (c != 0xAD && c != 0xA6)
                expected.insert(c);
        }
        QCOMPARE(decoded, expected);
        QCOMPARE(HtmlToText("&Auml;&auml;&frac12;&times;&divide;"), QString::fromUtf8("Ää½×÷"));
    }
};

QTEST_GUILESS_MAIN(TestHtmlToText)
#include "tst_htmltotext.moc"
