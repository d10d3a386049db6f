#include "mdtest.h"
#include "support/testregistry.h"

#include <QDebug>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace MDTest;

class TestMarkdownAnswers : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void realisticAnswer();
    void everyPrefixParses();
    void pathologicalInput_data();
    void pathologicalInput();
    void blockEquality();
    void blocksOwnTheirText();
};

void TestMarkdownAnswers::realisticAnswer()
{
    const QString answer = answerSegments().join(QString());
    const Blocks expected = {
        heading(2, {plain(u"Solving quadratic equations"_s)}),
        para({plain(u"A quadratic equation has the form "_s), math(u"ax^2 + bx + c = 0"_s),
              plain(u" where "_s), math(u"a \\neq 0"_s), plain(u". The "_s),
              bold(u"discriminant"_s), plain(u" "_s), math(u"\\Delta = b^2 - 4ac"_s),
              plain(u" tells us how many "_s), italic(u"real"_s), plain(u" roots exist."_s)}),
        mathBlock(u"x = \\frac{-b \\pm \\sqrt{b^2 - 4ac}}{2a}"_s),
        heading(3, {plain(u"Cases"_s)}),
        ordered(
            0, u"1."_s,
            {plain(u"If "_s), math(u"\\Delta > 0"_s), plain(u", there are two distinct roots."_s)}),
        ordered(0, u"2."_s,
                {plain(u"If "_s), math(u"\\Delta = 0"_s), plain(u", there is one double root."_s)}),
        ordered(0, u"3)"_s,
                {plain(u"If "_s), math(u"\\Delta < 0"_s), plain(u", the roots are complex:"_s)}),
        bullet(1, {plain(u"they come in conjugate pairs"_s)}),
        bullet(1, {plain(u"e.g. "_s), math(u"z = p \\pm qi"_s)}),
        quote({bold(u"Note:"_s), plain(u" a book costs $5 and a pen $10, which is not math."_s)}),
        quote({plain(u"Use "_s), code(u"numpy.roots"_s), plain(u" for higher degrees."_s)}),
        divider(),
        para(u"Here is a Python implementation:"_s),
        codeBlock(u"import math\n\ndef solve(a, b, c):\n    d = b * b - 4 * a * c\n"
                  "    if d < 0:\n        return []\n    r = math.sqrt(d)\n"
                  "    return [(-b + r) / (2 * a), (-b - r) / (2 * a)]"_s,
                  u"python"_s),
        para({plain(u"And the same in C++ with "_s), code(u"std::sqrt"_s), plain(u":"_s)}),
        codeBlock(u"#include <cmath>\n"
                  "std::pair<double, double> solve(double a, double b, double c);"_s),
        // Bracket math inside a line is no construct: its "_" pair up as emphasis.
        para({plain(u"Vieta's formulas give \\[ x"_s), italic(u"1 + x"_s),
              plain(u"2 = -\\frac{b}{a} \\] and the product:"_s)}),
        mathBlock(u"x_1 x_2 = \\frac{c}{a}"_s),
        bullet(0,
               {plain(u"A variable like my"_s), italic(u"var"_s),
                plain(u"name stays readable, and "_s), bold(u"init"_s), plain(u" is bold."_s)}),
        bullet(0,
               {plain(u"Links such as "_s),
                link(u"the docs"_s, u"https://docs.python.org/3/library/math.html"_s),
                plain(u" work."_s)}),
        bullet(2,
               {plain(u"Deeper item with "_s), boldItalic(u"emphasis"_s),
                plain(u" and ~~strike~~ left as text."_s)}),
        para(u"| a | b | |---|---| | 1 | 2 |"_s),
        heading(1, {plain(u"Summary"_s)}),
        para({plain(u"The roots depend on "_s), math(u"\\Delta"_s), plain(u"; for "_s),
              math(u"a=1"_s), plain(u", "_s), math(u"b=-3"_s), plain(u", $c = 2$ they are "_s),
              math(u"x_1 = 1"_s), plain(u" and "_s), math(u"x_2 = 2"_s),
              plain(u". Costs were $3.50 and $4.00 in total."_s)}),
        codeBlock(u"console.log(`template ${x}`);"_s, u"js"_s),
        para({plain(u"Thanks for reading \u2014 ask if anything is unclear! \U0001F600 "
                    "\u00DCn\u00EFc\u00F6d\u00E9, \u4E2D\u6587 "_s),
              bold(u"\u7C97\u4F53"_s), plain(u", e\u0301 and \u0661\u0662\u0663."_s)}),
    };
    QCOMPARE(MarkdownParser::parseBlocks(answer), expected);
}

// While an answer streams in, every prefix of it is parsed. None may upset the parser,
// the same text always gives the same blocks, and once a segment is complete its blocks
// are those of the finished answer, so a view can keep what it built for them.
void TestMarkdownAnswers::everyPrefixParses()
{
    const QStringList segments = answerSegments() + answerSegments() + answerSegments();
    const QString answer = segments.join(QString());
    QVERIFY(answer.size() > 4000);
    const Blocks finished = MarkdownParser::parseBlocks(answer);

    QList<qsizetype> segmentEnds;
    qsizetype end = 0;
    for (const QString &segment : segments)
        segmentEnds.append(end += segment.size());

    qsizetype previousCount = 0;
    for (qsizetype length = 0; length <= answer.size(); ++length) {
        const QString prefix = answer.left(length);
        const Blocks blocks = MarkdownParser::parseBlocks(prefix);
        if (blocks != MarkdownParser::parseBlocks(prefix))
            QFAIL(qPrintable(u"not deterministic at length %1"_s.arg(length)));
        checkInvariants(blocks);
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(u"invariant broken at length %1"_s.arg(length)));
        if (segmentEnds.contains(length)) {
            QVERIFY(blocks.size() > previousCount);
            QCOMPARE(blocks, finished.first(blocks.size()));
            previousCount = blocks.size();
        }
    }
    QCOMPARE(previousCount, finished.size());
}

// Long runs of unclosed openers, marks and digits: each opener looks for its closer once
// at most, and the result is still exact.
void TestMarkdownAnswers::pathologicalInput_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Blocks>("expected");

    const qsizetype n = 50000;
    const QString brackets = u"["_s.repeated(n);
    QTest::newRow("brackets") << brackets << Blocks{para(brackets)};
    const QString links = u"[a]("_s.repeated(n);
    QTest::newRow("links without closing parenthesis") << links << Blocks{para(links)};
    const QString nested = u"[a](()"_s.repeated(n);
    QTest::newRow("links with balanced parentheses, never closed")
        << nested << Blocks{para(nested)};
    const QString doubleStars = u"**a"_s.repeated(n) + u"*"_s;
    Spans boldRuns;
    for (qsizetype i = 0; i < n / 2; ++i)
        boldRuns << bold(u"a"_s) << plain(i + 1 < n / 2 ? u"a"_s : u"a*"_s);
    QTest::newRow("double stars") << doubleStars << Blocks{para(boldRuns)};
    const QString backslashes = u"\\(a "_s.repeated(n);
    QTest::newRow("unclosed math") << backslashes << Blocks{para(backslashes)};
    const QString prices = u"$5 and "_s.repeated(n);
    QTest::newRow("prices") << prices << Blocks{para(prices)};
    const QString marks = u"e\u0301*"_s.repeated(n);
    Spans markRuns;
    for (qsizetype i = 0; i < n / 2; ++i)
        markRuns << plain(u"e\u0301"_s) << italic(u"e\u0301"_s);
    QTest::newRow("marks and asterisks") << marks << Blocks{para(markRuns)};
    const QString digits = u"\u0661"_s.repeated(n) + u". x"_s;
    QTest::newRow("long arabic-indic number")
        << digits << Blocks{ordered(0, digits.chopped(2), {plain(u"x"_s)})};
    const QString keycaps = u"1\uFE0F\u20E3"_s.repeated(n) + u". x"_s;
    QTest::newRow("long keycap number")
        << keycaps << Blocks{ordered(0, keycaps.chopped(2), {plain(u"x"_s)})};
    const QString unclosedMath = u"$$\n"_s + u"x\n"_s.repeated(n);
    QTest::newRow("unclosed display math")
        << unclosedMath << Blocks{openMathBlock(u"x "_s.repeated(n).trimmed())};
}

void TestMarkdownAnswers::pathologicalInput()
{
    compareBlocks();
}

void TestMarkdownAnswers::blockEquality()
{
    const Spans text = {plain(u"x"_s)};
    const QList<QPair<MDBlock, MDBlock>> different = {
        {codeBlock(u"x"_s, u"py"_s), codeBlock(u"x"_s)},
        {codeBlock(u"x"_s), codeBlock(u"y"_s)},
        {codeBlock(u"x"_s), mathBlock(u"x"_s)},
        {heading(1, text), heading(2, text)},
        {heading(1, text), para(text)},
        {bullet(1, text), bullet(2, text)},
        {ordered(0, u"1."_s, text), ordered(0, u"1)"_s, text)},
        {bullet(0, text), quote(text)},
        {para(text), para({code(u"x"_s)})},
        {para(text), para({plain(u"x"_s), bold(u"y"_s)})},
        {para({link(u"a"_s, u"u"_s)}), para({link(u"a"_s, u"v"_s)})},
        {para({math(u"a"_s)}), para({code(u"a"_s)})},
    };
    for (const auto &[a, b] : different) {
        QString description;
        QDebug(&description) << a << b;
        QVERIFY2(!(a == b), qPrintable(description));
        QVERIFY(a == MDBlock(a));
    }
    QVERIFY(divider() == divider());
}

// Blocks share the parsed string instead of copying it; they must still never see a
// change made to it afterwards, nor a buffer that was only lent to the parser.
void TestMarkdownAnswers::blocksOwnTheirText()
{
    const QString original = u"# Title\n\nSome **bold** text\n\n```\ncode\n```"_s;
    const Blocks expected
        = {heading(1, {plain(u"Title"_s)}),
           para({plain(u"Some "_s), bold(u"bold"_s), plain(u" text"_s)}), codeBlock(u"code"_s)};

    QString text = original;
    const Blocks blocks = MarkdownParser::parseBlocks(text);
    text[2] = u'X';
    text.append(u"\nmore"_s);
    QCOMPARE(blocks, expected);

    QList<QChar> buffer(original.begin(), original.end());
    Blocks fromBorrowed;
    {
        const QString borrowed = QString::fromRawData(buffer.constData(), buffer.size());
        fromBorrowed = MarkdownParser::parseBlocks(borrowed);
    }
    buffer.fill(u'x');
    QCOMPARE(fromBorrowed, expected);

    // One block outlives the list it came from.
    const MDBlock single = MarkdownParser::parseBlocks(original).at(1);
    QCOMPARE(single, expected.at(1));
    QCOMPARE(single.spans().at(1).text(), u"bold"_s);
}

VELM_TEST_MAIN(TestMarkdownAnswers)
#include "tst_markdownanswers.moc"
