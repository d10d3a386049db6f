#include "mdtest.h"
#include "support/testregistry.h"

#include <QDebug>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace MDTest;

class TestMarkdownSpans : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void spans_data();
    void spans();
    void looksLikeMath_data();
    void looksLikeMath();
    void wholeCharacters_data();
    void wholeCharacters();
};

void TestMarkdownSpans::spans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Spans>("expected");

    QTest::newRow("empty") << QString() << Spans{};

    QTest::newRow("code") << u"a `b` c"_s << Spans{plain(u"a "_s), code(u"b"_s), plain(u" c"_s)};
    QTest::newRow("two backticks") << u"``"_s << Spans{code(QString())};
    QTest::newRow("double backticks")
        << u"``x``"_s << Spans{code(QString()), plain(u"x"_s), code(QString())};
    QTest::newRow("unclosed backtick") << u"a `b"_s << Spans{plain(u"a `b"_s)};
    QTest::newRow("code is raw") << u"`**x** $y$`"_s << Spans{code(u"**x** $y$"_s)};

    QTest::newRow("paren math with spaces")
        << u"so \\( a + b \\) holds"_s
        << Spans{plain(u"so "_s), math(u" a + b "_s), plain(u" holds"_s)};
    QTest::newRow("unclosed paren math") << u"\\(x"_s << Spans{plain(u"\\(x"_s)};
    QTest::newRow("lone backslash") << u"a \\ b \\alpha"_s << Spans{plain(u"a \\ b \\alpha"_s)};

    QTest::newRow("dollar command")
        << u"so $\\alpha^2$."_s << Spans{plain(u"so "_s), math(u"\\alpha^2"_s), plain(u"."_s)};
    QTest::newRow("prices") << u"It costs $5 and $10 today"_s
                            << Spans{plain(u"It costs $5 and $10 today"_s)};
    QTest::newRow("price then math")
        << u"pay $5 for $x^2$"_s << Spans{plain(u"pay $5 for "_s), math(u"x^2"_s)};
    QTest::newRow("math with spaces and a brace")
        << u"$f(x) = {a}$"_s << Spans{math(u"f(x) = {a}"_s)};
    QTest::newRow("empty dollars") << u"$$"_s << Spans{plain(u"$$"_s)};
    QTest::newRow("double dollars")
        << u"$$x$$"_s << Spans{plain(u"$"_s), math(u"x"_s), plain(u"$"_s)};
    QTest::newRow("adjacent formulas") << u"$x$$y$"_s << Spans{math(u"x"_s), math(u"y"_s)};
    QTest::newRow("unclosed dollar") << u"$x"_s << Spans{plain(u"$x"_s)};

    QTest::newRow("bold italic underscores") << u"___both___"_s << Spans{boldItalic(u"both"_s)};
    QTest::newRow("unclosed bold")
        << u"**still streaming"_s << Spans{plain(u"**still streaming"_s)};
    QTest::newRow("unclosed bold is not italic")
        << u"**a*"_s << Spans{plain(u"*"_s), italic(u"a"_s)};
    QTest::newRow("unclosed triple falls back to bold") << u"***a**"_s << Spans{bold(u"*a"_s)};
    QTest::newRow("multiplication") << u"2 * 3 = 6"_s << Spans{plain(u"2 * 3 = 6"_s)};
    QTest::newRow("mixed delimiters do not close") << u"**a__"_s << Spans{plain(u"**a__"_s)};
    QTest::newRow("bold is raw") << u"**a `b` [c](d)**"_s << Spans{bold(u"a `b` [c](d)"_s)};

    QTest::newRow("link") << u"see [docs](https://x.org/a_b) now"_s
                          << Spans{plain(u"see "_s), link(u"docs"_s, u"https://x.org/a_b"_s),
                                   plain(u" now"_s)};
    QTest::newRow("empty url") << u"[a]()"_s << Spans{link(u"a"_s, QString())};
    QTest::newRow("link text is raw") << u"[**b**](u)"_s << Spans{link(u"**b**"_s, u"u"_s)};
    QTest::newRow("space before parenthesis") << u"[a] (b)"_s << Spans{plain(u"[a] (b)"_s)};
    QTest::newRow("brackets only") << u"[a]"_s << Spans{plain(u"[a]"_s)};
    QTest::newRow("unclosed url") << u"[a](b"_s << Spans{plain(u"[a](b"_s)};
    QTest::newRow("first bracket ends the text") << u"[a]b](c)"_s << Spans{plain(u"[a]b](c)"_s)};
    QTest::newRow("two links") << u"[a](1) and [b](2)"_s
                               << Spans{link(u"a"_s, u"1"_s), plain(u" and "_s),
                                        link(u"b"_s, u"2"_s)};
    QTest::newRow("parentheses in the url")
        << u"[x](https://en.wikipedia.org/wiki/Set_(mathematics)) is"_s
        << Spans{link(u"x"_s, u"https://en.wikipedia.org/wiki/Set_(mathematics)"_s),
                 plain(u" is"_s)};
    QTest::newRow("nested parentheses")
        << u"[a](u(v(w))x) y"_s << Spans{link(u"a"_s, u"u(v(w))x"_s), plain(u" y"_s)};
    QTest::newRow("escaped closing parenthesis")
        << u"[a](u\\)v)"_s << Spans{link(u"a"_s, u"u\\)v"_s)};
    QTest::newRow("escaped opening parenthesis")
        << u"[a](u\\(v)"_s << Spans{link(u"a"_s, u"u\\(v"_s)};
    QTest::newRow("escaped backslash before parenthesis")
        << u"[a](u\\\\)v)"_s << Spans{link(u"a"_s, u"u\\\\"_s), plain(u"v)"_s)};
    QTest::newRow("unbalanced opening parenthesis") << u"[a](u(v)"_s << Spans{plain(u"[a](u(v)"_s)};
    QTest::newRow("accented parenthesis does not close")
        << u"[a](u)\u0301)"_s << Spans{link(u"a"_s, u"u)\u0301"_s)};
    QTest::newRow("text in parentheses after a link")
        << u"[a](u) (b)"_s << Spans{link(u"a"_s, u"u"_s), plain(u" (b)"_s)};
    QTest::newRow("link in parentheses")
        << u"(see [a](u))"_s << Spans{plain(u"(see "_s), link(u"a"_s, u"u"_s), plain(u")"_s)};
    QTest::newRow("link after an unclosed one")
        << u"[a](x [b](y)"_s << Spans{plain(u"[a](x "_s), link(u"b"_s, u"y"_s)};
    QTest::newRow("failed openers merge into one plain span")
        << u"a [b $c * d"_s << Spans{plain(u"a [b $c * d"_s)};
}

void TestMarkdownSpans::spans()
{
    QFETCH(QString, text);
    QFETCH(Spans, expected);
    QCOMPARE(MarkdownParser::parseSpans(text), expected);
}

void TestMarkdownSpans::looksLikeMath_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("expected");

    QTest::newRow("empty") << QString() << false;
    QTest::newRow("letter") << u"x"_s << true;
    QTest::newRow("backslash with spaces") << u"\\frac{a}{b} + c"_s << true;
    QTest::newRow("caret with spaces") << u"a ^ b"_s << true;
    QTest::newRow("words between prices") << u"5 and "_s << false;
    QTest::newRow("short token") << u"n+1"_s << true;
    QTest::newRow("16 characters") << u"abcdefghijklmnop"_s << true;
    QTest::newRow("17 characters") << u"abcdefghijklmnopq"_s << false;
    QTest::newRow("long with backslash") << u"\\mathrm{abcdefghijklmnopqrs}"_s << true;
    QTest::newRow("16 accented characters") << u"e\u0301"_s.repeated(16) << true;
    QTest::newRow("17 accented characters") << u"e\u0301"_s.repeated(17) << false;
    QTest::newRow("16 emoji") << u"\U0001F600"_s.repeated(16) << true;
    QTest::newRow("accented space is no space") << u"a \u0301b"_s << true;
    QTest::newRow("accented caret is no caret") << u"a ^\u0301 b"_s << false;
}

void TestMarkdownSpans::looksLikeMath()
{
    QFETCH(QString, text);
    QFETCH(bool, expected);
    QCOMPARE(MarkdownParser::looksLikeMath(text), expected);
}

// Delimiters count only as whole user-perceived characters: a mark that combines with
// them, or a sign prepended to them, makes them ordinary text.
void TestMarkdownSpans::wholeCharacters_data()
{
    addBlockColumns();

    QTest::newRow("accented asterisk") << u"*\u0301a* b"_s << Blocks{para(u"*\u0301a* b"_s)};
    QTest::newRow("accented closing backtick") << u"`a`\u0301"_s << Blocks{para(u"`a`\u0301"_s)};
    QTest::newRow("accented letter before italic")
        << u"e\u0301 *x*"_s << Blocks{para({plain(u"e\u0301 "_s), italic(u"x"_s)})};
    QTest::newRow("prepended sign joins the closing asterisk")
        << u"*a \u0600*"_s << Blocks{para(u"*a \u0600*"_s)};
    QTest::newRow("accented fence")
        << u"```\u0301\nx"_s << Blocks{para({code(QString()), plain(u"`\u0301 x"_s)})};
    QTest::newRow("accented heading space") << u"## \u0301x"_s << Blocks{para(u"## \u0301x"_s)};
    QTest::newRow("accented bullet space") << u"- \u0301x"_s << Blocks{para(u"- \u0301x"_s)};
    QTest::newRow("accented quote marker") << u">\u0301 x"_s << Blocks{para(u">\u0301 x"_s)};
    QTest::newRow("accented display dollars") << u"$$\u0301x"_s << Blocks{para(u"$$\u0301x"_s)};
    QTest::newRow("accented closing dollars")
        << u"$$ x $$\u0301 $$"_s << Blocks{mathBlock(u"x $$\u0301"_s)};
}

void TestMarkdownSpans::wholeCharacters()
{
    compareBlocks();
}

VELM_TEST_MAIN(TestMarkdownSpans)
#include "tst_markdownspans.moc"
