#include "markdown/markdownparser.h"
#include "markdown/mathpage.h"
#include "markdown/nativetext.h"
#include "support/testregistry.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(KaTeXHTMLStyle)

// The page builder and the native text builder: what model text turns into, and that it can
// never turn into markup.
class TestMathPage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void htmlEscape_data();
    void htmlEscape();
    void spanHTML_data();
    void spanHTML();
    void pageHTML_data();
    void pageHTML();
    void pageOnlyRunsItsOwnScripts();
    void blockPages_data();
    void blockPages();
    void nativeText_data();
    void nativeText();
};

void TestMathPage::htmlEscape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("less, greater, ampersand") << u"a < b > c & d"_s << u"a &lt; b &gt; c &amp; d"_s;
    QTest::newRow("quotes") << u"\"it's\""_s << u"&quot;it&#39;s&quot;"_s;
    QTest::newRow("entity escaped once") << u"&amp;"_s << u"&amp;amp;"_s;
    QTest::newRow("non-ASCII kept") << u"√ é 👍🏽"_s << u"√ é 👍🏽"_s;
}

void TestMathPage::htmlEscape()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(MathPage::htmlEscape(text), expected);
}

void TestMathPage::spanHTML_data()
{
    QTest::addColumn<MDSpan>("span");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << MDSpan::plain(u"a < b"_s) << u"a &lt; b"_s;
    QTest::newRow("bold") << MDSpan::bold(u"x&y"_s) << u"<strong>x&amp;y</strong>"_s;
    QTest::newRow("italic") << MDSpan::italic(u"it's"_s) << u"<em>it&#39;s</em>"_s;
    QTest::newRow("bold italic") << MDSpan::boldItalic(u"z"_s) << u"<strong><em>z</em></strong>"_s;
    QTest::newRow("code") << MDSpan::code(u"if (a<b)"_s) << u"<code>if (a&lt;b)</code>"_s;
    QTest::newRow("link") << MDSpan::link(u"docs"_s, u"https://example.org/?a=1&b=2"_s)
                          << u"<a href=\"https://example.org/?a=1&amp;b=2\">docs</a>"_s;
    QTest::newRow("link cannot leave its attribute")
        << MDSpan::link(u"<b>x</b>"_s, u"x\" onclick=\"alert(1)"_s)
        << u"<a href=\"x&quot; onclick=&quot;alert(1)\">&lt;b&gt;x&lt;/b&gt;</a>"_s;
}

void TestMathPage::spanHTML()
{
    QFETCH(MDSpan, span);
    QFETCH(QString, expected);
    QCOMPARE(MathPage::spanHTML(span), expected);
}

void TestMathPage::pageHTML_data()
{
    QTest::addColumn<KaTeXHTMLStyle>("style");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("bodyClass");

    QTest::newRow("paragraph") << KaTeXHTMLStyle::paragraph() << u"a <em>b</em>"_s
                               << u"paragraph"_s;
    QTest::newRow("math block") << KaTeXHTMLStyle::mathBlock()
                                << MathPage::mathSpanHTML(u"e^{i\\pi}"_s, true) << u"math-block"_s;
    QTest::newRow("empty body") << KaTeXHTMLStyle::listItem() << QString() << u"list-item"_s;
}

void TestMathPage::pageHTML()
{
    QFETCH(KaTeXHTMLStyle, style);
    QFETCH(QString, body);
    QFETCH(QString, bodyClass);

    const QString page = MathPage::pageHTML(body, style);
    // The body element, its class, and the body HTML on the next line after two spaces.
    const QString opening
        = u"<body class=\""_s + bodyClass + u" math-pending\">\n  "_s + body + u"\n  <script>"_s;
    QCOMPARE(page.count(u"<body"_s), 1);
    QVERIFY2(page.contains(opening), qPrintable(page.mid(page.indexOf(u"<body"_s), 120)));
    QVERIFY(page.endsWith(u"</script>\n</body>\n</html>\n"_s));
    // Same input, same page: the views rely on this to skip reloads.
    QCOMPARE(MathPage::pageHTML(body, style), page);
}

void TestMathPage::pageOnlyRunsItsOwnScripts()
{
    const QString page = MathPage::pageHTML(u"x"_s, KaTeXHTMLStyle::paragraph());
    const QRegularExpression policy(
        u"<meta http-equiv=\"Content-Security-Policy\" content=\"([^\"]*)\">"_s);
    const QRegularExpressionMatch match = policy.match(page);
    QVERIFY(match.hasMatch());
    const QString scriptSources = match.captured(1).split(u';').filter(u"script-src"_s).value(0);
    QVERIFY(!scriptSources.isEmpty());
    // An inline script is allowed by its hash only: "javascript:" links and injected
    // handlers need 'unsafe-inline'.
    QVERIFY(!scriptSources.contains(u"unsafe-inline"_s));
    QVERIFY(!scriptSources.contains(u"unsafe-eval"_s));
    QVERIFY(scriptSources.contains(u"'sha256-"_s));
    QVERIFY(match.captured(1).contains(u"default-src 'none'"_s));
    // The policy comes before anything is loaded.
    QVERIFY(match.capturedStart() < page.indexOf(u"katex.min.css"_s));
}

void TestMathPage::blockPages_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("usesMathPage");
    QTest::addColumn<QString>("bodyClass");
    QTest::addColumn<QString>("bodyHTML");

    QTest::newRow("plain paragraph")
        << u"Just text."_s << false << u"paragraph"_s << u"Just text."_s;
    QTest::newRow("paragraph with inline math")
        << u"Let **x** be $x^2$."_s << true << u"paragraph"_s
        << u"Let <strong>x</strong> be <span class=\"math-inline\" data-display=\"false\" "
           "data-latex>x^2</span>."_s;
    QTest::newRow("prices are not math")
        << u"It costs $5 and $10."_s << false << u"paragraph"_s << u"It costs $5 and $10."_s;
    QTest::newRow("heading with math") << u"## About \\(\\pi\\)"_s << true << u"heading heading-2"_s
                                       << u"About <span class=\"math-inline\" "
                                          "data-display=\"false\" data-latex>\\pi</span>"_s;
    QTest::newRow("display math") << u"$$ a < b $$"_s << true << u"math-block"_s
                                  << u"<span class=\"math-display\" data-display=\"true\" "
                                     "data-latex>a &lt; b</span>"_s;
    QTest::newRow("closing tag in the formula")
        << u"$$</span><script>x</script>$$"_s << true << u"math-block"_s
        << u"<span class=\"math-display\" data-display=\"true\" data-latex>&lt;/span&gt;"
           "&lt;script&gt;x&lt;/script&gt;</span>"_s;
    QTest::newRow("list item with math")
        << u"- $y$"_s << true << u"list-item"_s
        << u"<span class=\"math-inline\" data-display=\"false\" data-latex>y</span>"_s;
    QTest::newRow("quote with math") << u"> $z$"_s << true << u"blockquote"_s
                                     << u"<span class=\"math-inline\" data-display=\"false\" "
                                        "data-latex>z</span>"_s;
    QTest::newRow("code is never a page") << u"```\n$x$\n```"_s << false << QString() << QString();
    QTest::newRow("divider") << u"---"_s << false << QString() << QString();
}

void TestMathPage::blockPages()
{
    QFETCH(QString, text);
    QFETCH(bool, usesMathPage);
    QFETCH(QString, bodyClass);
    QFETCH(QString, bodyHTML);

    const QList<MDBlock> blocks = MarkdownParser::parseBlocks(text);
    QCOMPARE(blocks.size(), 1);
    QCOMPARE(MathPage::usesMathPage(blocks.first()), usesMathPage);
    if (bodyClass.isEmpty())
        return;
    QCOMPARE(MathPage::styleFor(blocks.first()).bodyClass(), bodyClass);
    QCOMPARE(MathPage::bodyHTML(blocks.first()), bodyHTML);
}

void TestMathPage::nativeText_data()
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
}

void TestMathPage::nativeText()
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

VELM_TEST_MAIN(TestMathPage)
#include "tst_mathpage.moc"
