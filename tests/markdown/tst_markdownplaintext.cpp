#include "markdown/markdownplaintext.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

// What a screen reader reads of an answer.
class TestMarkdownPlainText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromMarkdown_data()
    {
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("spoken");

        QTest::newRow("emphasis and inline code")
            << u"**Bold**, *italic* and `code` words."_s << u"Bold, italic and code words."_s;
        QTest::newRow("heading and link") << u"## Sources\nSee [the docs](https://example.com/)."_s
                                          << u"Sources\nSee the docs."_s;
        QTest::newRow("formulas as their TeX source")
            << u"The area is $\\pi r^2$.\n\n$$\n\\int_0^1 x\\,dx\n$$"_s
            << u"The area is \\pi r^2.\n\\int_0^1 x\\,dx"_s;
        QTest::newRow("code with its language")
            << u"Run:\n\n```python\nprint(1)\n```\n\n```\nplain\n```"_s
            << u"Run:\nCode (python):\nprint(1)\nCode:\nplain"_s;
        QTest::newRow("lists keep their markers")
            << u"- one\n- two\n\n1. first\n2) second"_s << u"• one\n• two\n1. first\n2) second"_s;
        QTest::newRow("quote and divider") << u"> quoted\n\n---\n\nafter"_s << u"quoted\nafter"_s;
        QTest::newRow("markup stays text") << u"<b>not bold</b>"_s << u"<b>not bold</b>"_s;
        QTest::newRow("empty") << QString() << QString();
    }

    void fromMarkdown()
    {
        QFETCH(QString, markdown);
        QFETCH(QString, spoken);
        QCOMPARE(MarkdownPlainText::fromMarkdown(markdown), spoken);
    }
};

VELM_TEST_MAIN(TestMarkdownPlainText)
#include "tst_markdownplaintext.moc"
