#include "markdown/markdownparser.h"
#include "markdown/nativetext.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The rich text of native blocks: what model text turns into, and that it can never turn
// into markup, nor into a formula it did not write.
class TestNativeText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void htmlEscape_data();
    void htmlEscape();
    void nativeText_data();
    void nativeText();
    void formulasAreTheOnlyImages();
};

void TestNativeText::htmlEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("less, greater, ampersand") << u"a < b > c & d"_s << u"a &lt; b &gt; c &amp; d"_s;
    QTest::newRow("quotes") << u"\"it's\""_s << u"&quot;it&#39;s&quot;"_s;
    QTest::newRow("entity escaped once") << u"&amp;"_s << u"&amp;amp;"_s;
    QTest::newRow("non-ASCII kept") << u"√ é 👍🏽"_s << u"√ é 👍🏽"_s;
}

void TestNativeText::htmlEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(NativeText::htmlEscape(text), expected);
}

void TestNativeText::nativeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    const QString code = u"<span style=\"font-family:'Mono'; font-size:13px; color:#4f5bd5;\">"_s;
    const QString link = u"<span style=\"color:#4f5bd5; text-decoration:underline;\">"_s;
    QTest::newRow("markup is text") << u"<b>bold?</b> <img src=x> &amp;"_s
                                    << u"&lt;b&gt;bold?&lt;/b&gt; &lt;img src=x&gt; &amp;amp;"_s;
    QTest::newRow("emphasis") << u"**a** *b* ***c***"_s << u"<b>a</b> <i>b</i> <b><i>c</i></b>"_s;
    QTest::newRow("code") << u"run `a<b`"_s << u"run "_s + code + u"a&lt;b</span>"_s;
    // A link is styled, not clickable: no anchor, and the URL is nowhere in the text.
    QTest::newRow("link") << u"[site](javascript:void)"_s << link + u"site</span>"_s;
    QTest::newRow("formulas") << u"$a<b$ and $\"c\"$"_s
                              << u"<img src=\"velm-formula:0\" width=\"1\" height=\"1\"> and "
                                 u"<img src=\"velm-formula:1\" width=\"1\" height=\"1\">"_s;
}

void TestNativeText::nativeText()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const NativeTextStyle style{u"#4f5bd5"_s, u"Mono"_s, 13};
    QCOMPARE(NativeText::spansHTML(MarkdownParser::parseSpans(text), style), expected);

    // Style values cannot break out of their attribute either.
    const NativeTextStyle hostile{u"red\"><script>"_s, u"Mono'\"><b>"_s, 13};
    const QString html = NativeText::spansHTML(MarkdownParser::parseSpans(text), hostile);
    QVERIFY(!html.contains(u"<script"_s));
    QVERIFY(!html.contains(u"\"><"_s));
}

void TestNativeText::formulasAreTheOnlyImages()
{
    // Model text that spells out a formula's image is text; the formula is the TeX's own.
    const QList<MDSpan> spans = MarkdownParser::parseSpans(
        u"<img src=\"velm-formula:0\"> then $x^2$ then `<img src=\"velm-formula:1\">`"_s);
    const QString html = NativeText::spansHTML(spans, {u"#000000"_s, u"Mono"_s, 13});
    QCOMPARE(html.count(u"<img"_s), 1);
    QCOMPARE(NativeText::formulas(spans), QStringList{u"x^2"_s});

    QCOMPARE(NativeText::formulaIndex(NativeText::formulaImageName(7)), 7);
    QCOMPARE(NativeText::formulaIndex(u"velm-formula:-1"_s), -1);
    QCOMPARE(NativeText::formulaIndex(u"velm-formula:x"_s), -1);
    QCOMPARE(NativeText::formulaIndex(u"https://example.org/a.png"_s), -1);
}

VELM_TEST_MAIN(TestNativeText)
#include "tst_nativetext.moc"
