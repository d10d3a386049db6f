#include "mdtest.h"

#include <QDebug>
#include <QTest>

using namespace Qt::StringLiterals;

char *toString(const MDSpan &span)
{
    QString text;
    QDebug(&text) << span;
    return qstrdup(text.toUtf8().constData());
}

char *toString(const MDBlock &block)
{
    QString text;
    QDebug(&text) << block;
    return qstrdup(text.toUtf8().constData());
}

namespace MDTest {

MDBlock para(const Spans &spans)
{
    return MDBlock::paragraph(spans);
}
MDBlock para(const QString &text)
{
    return MDBlock::paragraph({plain(text)});
}
MDBlock codeBlock(const QString &code, const QString &language)
{
    return MDBlock::codeBlock(code, language);
}
MDBlock bullet(int indent, const Spans &spans)
{
    return MDBlock::listItem(indent, u"\u2022"_s, spans);
}

QStringList answerSegments()
{
    return {
        u"## Solving quadratic equations\n\n"_s,
        u"A quadratic equation has the form $ax^2 + bx + c = 0$ where \\(a \\neq 0\\). "
        "The **discriminant** $\\Delta = b^2 - 4ac$ tells us how many *real* roots exist.\n\n"_s,
        u"$$\nx = \\frac{-b \\pm \\sqrt{b^2 - 4ac}}{2a}\n$$\n\n"_s,
        u"### Cases\n\n"_s,
        u"1. If $\\Delta > 0$, there are two distinct roots.\n"
        "2. If $\\Delta = 0$, there is one double root.\n"
        "3) If $\\Delta < 0$, the roots are complex:\n"
        "   - they come in conjugate pairs\n"
        "   - e.g. $z = p \\pm qi$\n\n"_s,
        u"> **Note:** a book costs $5 and a pen $10, which is not math.\n"
        "> Use `numpy.roots` for higher degrees.\n\n"_s,
        u"---\n\n"_s,
        u"Here is a Python implementation:\n\n"_s,
        u"```python\nimport math\n\ndef solve(a, b, c):\n    d = b * b - 4 * a * c\n"
        "    if d < 0:\n        return []\n    r = math.sqrt(d)\n"
        "    return [(-b + r) / (2 * a), (-b - r) / (2 * a)]\n```\n\n"_s,
        u"And the same in C++ with `std::sqrt`:\n\n"_s,
        u"```\n#include <cmath>\nstd::pair<double, double> solve(double a, double b, double c);\n"
        "```\n\n"_s,
        u"Vieta's formulas give \\[ x_1 + x_2 = -\\frac{b}{a} \\] and the product:\n\n"_s,
        u"\\[\nx_1 x_2 = \\frac{c}{a}\n\\]\n\n"_s,
        u"* A variable like my_var_name stays readable, and __init__ is bold.\n"
        "+ Links such as [the docs](https://docs.python.org/3/library/math.html) work.\n"
        "    * Deeper item with ***emphasis*** and ~~strike~~ left as text.\n\n"_s,
        u"| a | b |\n|---|---|\n| 1 | 2 |\n\n"_s,
        u"# Summary\n\nThe roots depend on $\\Delta$; for $a=1$, $b=-3$, $c = 2$ they are "
        "$x_1 = 1$ and $x_2 = 2$. Costs were $3.50 and $4.00 in total.\n\n"_s,
        u"~~~js\nconsole.log(`template ${x}`);\n~~~\n\n"_s,
        u"Thanks for reading — ask if anything is unclear! 😀 Ünïcödé, 中文 **粗体**, "
        "e\u0301 and ١٢٣.\n\n"_s,
    };
}

void checkInvariants(const Blocks &blocks)
{
    for (const MDBlock &block : blocks) {
        const Spans &spans = block.spans();
        for (qsizetype i = 0; i < spans.size(); ++i) {
            if (spans[i].kind() != MDSpan::Kind::Plain)
                continue;
            QVERIFY2(!spans[i].text().isEmpty(), "empty plain span");
            QVERIFY2(i == 0 || spans[i - 1].kind() != MDSpan::Kind::Plain,
                     "adjacent plain spans were not merged");
        }
        if (block.kind() == MDBlock::Kind::Heading)
            QVERIFY(block.level() >= 1 && block.level() <= 6);
        if (block.kind() == MDBlock::Kind::ListItem)
            QVERIFY(!block.marker().isEmpty());
    }
}

void addBlockColumns()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<Blocks>("expected");
}

void compareBlocks()
{
    QFETCH(QString, text);
    QFETCH(Blocks, expected);
    const Blocks blocks = MarkdownParser::parseBlocks(text);
    QCOMPARE(blocks, expected);
    checkInvariants(blocks);
}

} // namespace MDTest
