#include "mdtest.h"
#include "support/testregistry.h"

#include <QDebug>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace MDTest;

class TestMarkdownBlocks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void codeAndMathBlocks_data();
    void codeAndMathBlocks();
    void headingsDividersQuotes_data();
    void headingsDividersQuotes();
    void listItems_data();
    void listItems();
    void paragraphs_data();
    void paragraphs();
};

void TestMarkdownBlocks::codeAndMathBlocks_data()
{
    addBlockColumns();

    QTest::newRow("language trimmed, text after the fence")
        << u"```  rust \t\nfn main() {}\n```\nafter"_s
        << Blocks{codeBlock(u"fn main() {}"_s, u"rust"_s), para(u"after"_s)};
    QTest::newRow("code keeps indentation and blank lines")
        << u"```\n  indented\n\n\ttab\n# not a heading\n```"_s
        << Blocks{codeBlock(u"  indented\n\n\ttab\n# not a heading"_s)};
    QTest::newRow("unterminated fence takes the rest")
        << u"Intro:\n```python\nprint(1)\nx = 2"_s
        << Blocks{para(u"Intro:"_s), codeBlock(u"print(1)\nx = 2"_s, u"python"_s)};
    QTest::newRow("unterminated fence ending in a newline")
        << u"```python\nprint(1)\n"_s << Blocks{codeBlock(u"print(1)\n"_s, u"python"_s)};
    QTest::newRow("empty code block") << u"```\n```"_s << Blocks{codeBlock(QString())};
    QTest::newRow("tilde fence not closed by backticks")
        << u"~~~\na\n```\nb\n~~~\nc"_s << Blocks{codeBlock(u"a\n```\nb"_s), para(u"c"_s)};
    QTest::newRow("backtick fence not closed by tildes")
        << u"```\na\n~~~\n```"_s << Blocks{codeBlock(u"a\n~~~"_s)};
    QTest::newRow("closing line only has to start with the fence")
        << u"```\na\n```python\nb"_s << Blocks{codeBlock(u"a"_s), para(u"b"_s)};
    QTest::newRow("indented closing fence does not close")
        << u"```\na\n  ```"_s << Blocks{codeBlock(u"a\n  ```"_s)};
    QTest::newRow("four backticks") << u"````\nx\n````"_s << Blocks{codeBlock(u"x"_s, u"`"_s)};
    QTest::newRow("fence indented by two spaces joins the paragraph")
        << u"Intro\n  ```\ncode"_s
        << Blocks{para({plain(u"Intro   "_s), code(QString()), plain(u"` code"_s)})};

    QTest::newRow("indented display math") << u"  \t$$x$$  "_s << Blocks{mathBlock(u"x"_s)};
    QTest::newRow("bracket display math on one line")
        << u"\\[ a+b \\]"_s << Blocks{mathBlock(u"a+b"_s)};
    QTest::newRow("text after the closing delimiter is dropped")
        << u"$$x$$ where x is real"_s << Blocks{mathBlock(u"x"_s)};
    QTest::newRow("dollar block over lines joined with spaces")
        << u"$$\na = b\n+ c\n$$\nafter"_s << Blocks{mathBlock(u"a = b + c"_s), para(u"after"_s)};
    QTest::newRow("content on the opening and closing lines")
        << u"$$ a\nb $$ junk\nnext"_s << Blocks{mathBlock(u"a b"_s), para(u"next"_s)};
    QTest::newRow("bracket block is not closed by dollars")
        << u"\\[\nx\n$$\ny\n\\]"_s << Blocks{mathBlock(u"x $$ y"_s)};
    QTest::newRow("unterminated display math takes the rest")
        << u"$$\nx^2\n\n# y"_s << Blocks{openMathBlock(u"x^2  # y"_s)};
    QTest::newRow("display math just opened") << u"$$"_s << Blocks{openMathBlock(QString())};
    QTest::newRow("half a closing bracket is no closer")
        << u"\\[ x \\"_s << Blocks{openMathBlock(u"x \\"_s)};
    QTest::newRow("single dollar starts no block")
        << u"$x$ is small"_s << Blocks{para({math(u"x"_s), plain(u" is small"_s)})};

    QTest::newRow("CR LF line ends") << u"```py\r\nx = 1\r\n```\r\n$$\r\ny\r\n$$\r\n"_s
                                     << Blocks{codeBlock(u"x = 1"_s, u"py"_s), mathBlock(u"y"_s)};
}

void TestMarkdownBlocks::codeAndMathBlocks()
{
    compareBlocks();
}

void TestMarkdownBlocks::headingsDividersQuotes_data()
{
    addBlockColumns();

    QTest::newRow("level 6") << u"###### Six"_s << Blocks{heading(6, {plain(u"Six"_s)})};
    QTest::newRow("seven hashes") << u"####### Seven"_s << Blocks{para(u"####### Seven"_s)};
    QTest::newRow("hash then letter") << u"#hashtag"_s << Blocks{para(u"#hashtag"_s)};
    QTest::newRow("empty heading") << u"## "_s << Blocks{heading(2, {})};
    QTest::newRow("heading text trimmed")
        << u"##   Spaced \t"_s << Blocks{heading(2, {plain(u"Spaced"_s)})};
    QTest::newRow("heading with spans")
        << u"## **Bold** and $x$"_s
        << Blocks{heading(2, {bold(u"Bold"_s), plain(u" and "_s), math(u"x"_s)})};
    QTest::newRow("indented hash is text") << u" # no"_s << Blocks{para(u" # no"_s)};
    QTest::newRow("heading ends a paragraph")
        << u"text\n# H"_s << Blocks{para(u"text"_s), heading(1, {plain(u"H"_s)})};

    QTest::newRow("asterisks") << u"***"_s << Blocks{divider()};
    QTest::newRow("spaced dashes") << u"- - -"_s << Blocks{divider()};
    QTest::newRow("four dashes") << u"----"_s << Blocks{para(u"----"_s)};
    QTest::newRow("spaced asterisks are a bullet")
        << u"* * *"_s << Blocks{bullet(0, {italic(u" "_s)})};
    QTest::newRow("divider ends a paragraph")
        << u"text\n---\nmore"_s << Blocks{para(u"text"_s), divider(), para(u"more"_s)};

    QTest::newRow("quote without space") << u">tight"_s << Blocks{quote({plain(u"tight"_s)})};
    QTest::newRow("quote spaces trimmed, tabs kept")
        << u">  \tspaced  "_s << Blocks{quote({plain(u"\tspaced"_s)})};
    QTest::newRow("empty quote") << u">"_s << Blocks{quote({})};
    QTest::newRow("quote lines are not merged")
        << u"> a\n> b"_s << Blocks{quote({plain(u"a"_s)}), quote({plain(u"b"_s)})};
    QTest::newRow("quote ends a paragraph")
        << u"text\n> q"_s << Blocks{para(u"text"_s), quote({plain(u"q"_s)})};
    QTest::newRow("indented quote is text") << u" > no"_s << Blocks{para(u" > no"_s)};
    QTest::newRow("nested quote keeps its marker")
        << u">> deep"_s << Blocks{quote({plain(u"> deep"_s)})};
}

void TestMarkdownBlocks::headingsDividersQuotes()
{
    compareBlocks();
}

void TestMarkdownBlocks::listItems_data()
{
    addBlockColumns();

    QTest::newRow("two spaces") << u"  - two"_s << Blocks{bullet(1, {plain(u"two"_s)})};
    QTest::newRow("three spaces") << u"   - three"_s << Blocks{bullet(1, {plain(u"three"_s)})};
    QTest::newRow("four spaces") << u"    * four"_s << Blocks{bullet(2, {plain(u"four"_s)})};
    QTest::newRow("tab") << u"\t- tab"_s << Blocks{bullet(2, {plain(u"tab"_s)})};
    QTest::newRow("tab after the marker") << u"-\tx"_s << Blocks{bullet(0, {plain(u"x"_s)})};
    QTest::newRow("tabs in the text become spaces")
        << u"- a\tb "_s << Blocks{bullet(0, {plain(u"a    b"_s)})};
    QTest::newRow("empty bullet") << u"- "_s << Blocks{bullet(0, {})};
    QTest::newRow("dash alone") << u"-"_s << Blocks{para(u"-"_s)};

    QTest::newRow("not renumbered") << u"10. ten\n10. again"_s
                                    << Blocks{ordered(0, u"10."_s, {plain(u"ten"_s)}),
                                              ordered(0, u"10."_s, {plain(u"again"_s)})};
    QTest::newRow("ordered indented by two")
        << u"  2. two"_s << Blocks{ordered(1, u"2."_s, {plain(u"two"_s)})};
    QTest::newRow("ordered after one space is a paragraph")
        << u" 1. one"_s << Blocks{para(u" 1. one"_s)};
    QTest::newRow("ordered after three spaces is a paragraph")
        << u"1. x\n   1. y"_s << Blocks{ordered(0, u"1."_s, {plain(u"x"_s)}), para(u"   1. y"_s)};
    QTest::newRow("no space after the number") << u"1.5 kg"_s << Blocks{para(u"1.5 kg"_s)};
    QTest::newRow("number alone") << u"1."_s << Blocks{para(u"1."_s)};
    QTest::newRow("arabic-indic digits")
        << u"\u0661\u0662. x"_s << Blocks{ordered(0, u"\u0661\u0662."_s, {plain(u"x"_s)})};
    QTest::newRow("numeric ideograph")
        << u"\u4E09. x"_s << Blocks{ordered(0, u"\u4E09."_s, {plain(u"x"_s)})};
    QTest::newRow("mathematical digit outside the BMP")
        << u"\U0001D7D9. x"_s << Blocks{ordered(0, u"\U0001D7D9."_s, {plain(u"x"_s)})};
    QTest::newRow("keycap digit") << u"1\uFE0F\u20E3. x"_s
                                  << Blocks{ordered(0, u"1\uFE0F\u20E3."_s, {plain(u"x"_s)})};
    QTest::newRow("ideograph without numeric value")
        << u"\u4E2D. x"_s << Blocks{para(u"\u4E2D. x"_s)};

    QTest::newRow("nested list") << u"- a\n  - b\n    - c\n1. d\n  2) e"_s
                                 << Blocks{bullet(0, {plain(u"a"_s)}), bullet(1, {plain(u"b"_s)}),
                                           bullet(2, {plain(u"c"_s)}),
                                           ordered(0, u"1."_s, {plain(u"d"_s)}),
                                           ordered(1, u"2)"_s, {plain(u"e"_s)})};
    QTest::newRow("list ends a paragraph") << u"intro\n- a\n2. b"_s
                                           << Blocks{para(u"intro"_s), bullet(0, {plain(u"a"_s)}),
                                                     ordered(0, u"2."_s, {plain(u"b"_s)})};
    QTest::newRow("continuation line is a paragraph")
        << u"- a\n  continued"_s << Blocks{bullet(0, {plain(u"a"_s)}), para(u"  continued"_s)};
}

void TestMarkdownBlocks::listItems()
{
    compareBlocks();
}

void TestMarkdownBlocks::paragraphs_data()
{
    addBlockColumns();

    QTest::newRow("empty") << QString() << Blocks{};
    QTest::newRow("only spaces") << u"  \t \n "_s << Blocks{};
    QTest::newRow("lines joined with a space")
        << u"one\ntwo\nthree"_s << Blocks{para(u"one two three"_s)};
    QTest::newRow("lines joined untrimmed")
        << u"  one  \n two"_s << Blocks{para(u"  one    two"_s)};
    QTest::newRow("blank line with spaces separates")
        << u"one\n \t \ntwo"_s << Blocks{para(u"one"_s), para(u"two"_s)};
    QTest::newRow("fence ends a paragraph")
        << u"text\n```\ncode\n```"_s << Blocks{para(u"text"_s), codeBlock(u"code"_s)};
    QTest::newRow("display math ends a paragraph")
        << u"text\n  \\[x\\]"_s << Blocks{para(u"text"_s), mathBlock(u"x"_s)};
    QTest::newRow("double dollars in a line are inline")
        << u"Let $$x$$ be"_s << Blocks{para({plain(u"Let $"_s), math(u"x"_s), plain(u"$ be"_s)})};
    QTest::newRow("paragraph spans over lines")
        << u"a **bold\nclaim** here"_s
        << Blocks{para({plain(u"a "_s), bold(u"bold claim"_s), plain(u" here"_s)})};
    QTest::newRow("CR LF") << u"# Title\r\n\r\npara\r\nline\r\n"_s
                           << Blocks{heading(1, {plain(u"Title"_s)}), para(u"para line"_s)};
    QTest::newRow("lone CR stays text") << u"a\rb"_s << Blocks{para(u"a\rb"_s)};
}

void TestMarkdownBlocks::paragraphs()
{
    compareBlocks();
}

VELM_TEST_MAIN(TestMarkdownBlocks)
#include "tst_markdownblocks.moc"
