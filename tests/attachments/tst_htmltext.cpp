#include "attachments/htmltext.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestHtmlText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void plainText_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("expected");

        QTest::newRow("script, style and comments dropped")
            << u"<p>Before<script>document.write('<p>injected</p>'); if (a </b) {}</script>"
               "<style>p { color: red }</style><!-- <p>hidden</p> --> after</p>"_s
            << u"Before after"_s;
        QTest::newRow("script end tag in any case, not a longer name")
            << u"<SCRIPT type=\"x\">a = '</scripts>'</Script >shown"_s << u"shown"_s;
        QTest::newRow("head dropped")
            << u"<!DOCTYPE html><html><head><title>Title</title><meta charset=utf-8>"
               "<link rel=x></head><body><h1>Heading</h1></body></html>"_s
            << u"Heading"_s;
        QTest::newRow("head ended by the body's first element")
            << u"<head><meta charset=utf-8><p>Shown</p>"_s << u"Shown"_s;
        QTest::newRow("blocks end lines, paragraphs leave one empty line")
            << u"<h1>Title</h1><p>One</p><p>Two<br>Three<br><br>Four</p><div>Five</div>"
               "<div><div>Six</div></div>"_s
            << u"Title\n\nOne\n\nTwo\nThree\n\nFour\n\nFive\nSix"_s;
        QTest::newRow("lists and tables")
            << u"<ul><li>one</li><li>two</li></ul><table><tr><th>a</th><th>b</th></tr>"
               "<tr><td>1</td><td>2</td></tr></table>"_s
            << u"- one\n- two\n\na\tb\n1\t2"_s;
        QTest::newRow("white space collapsed")
            << u"  <p>  many \t\n  spaces\r\n here  </p>  <p>\n</p> end "_s
            << u"many spaces here\n\nend"_s;
        QTest::newRow("pre kept as written")
            << u"<p>x</p><pre>int main()\n{\n    return 0;\n}</pre><p>y</p>"_s
            << u"x\n\nint main()\n{\n    return 0;\n}\n\ny"_s;
        QTest::newRow("named references")
            << u"&lt;b&gt; &amp; &quot;q&quot; &apos;&copy;&nbsp;2024&hellip; &mdash; "
               "co&shy;operate"_s
            << u"<b> & \"q\" '© 2024… — cooperate"_s;
        QTest::newRow("numeric references")
            << u"&#65;&#x42;&#X43; &#128512; &#0; &#xD800; &#1114112; &#65"_s
            << u"ABC \U0001F600 \uFFFD \uFFFD \uFFFD A"_s;
        QTest::newRow("unknown references and ampersands kept")
            << u"AT&T &unknown; &amp &"_s << u"AT&T &unknown; &amp &"_s;
        QTest::newRow("text that looks like tags is text")
            << u"a < b, 1 <2, <> and </>"_s << u"a < b, 1 <2, <> and </>"_s;
        QTest::newRow("a '>' inside a quoted attribute")
            << u"<a title=\"x > y\" href='a>b'>link</a> text"_s << u"link text"_s;
        QTest::newRow("an unclosed comment hides the rest")
            << u"shown<!-- never closed <p>hidden"_s << u"shown"_s;
    }

    void plainText()
    {
        QFETCH(QString, html);
        QFETCH(QString, expected);
        QCOMPARE(HtmlText::plainText(html), expected);
    }
};

VELM_TEST_MAIN(TestHtmlText)
#include "tst_htmltext.moc"
