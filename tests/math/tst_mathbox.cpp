#include "math/mathbox.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

// The layout of KaTeX's HTML on its own.
class TestMathBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void brokenMarkupEndsTheReading_data();
    void brokenMarkupEndsTheReading();
};

void TestMathBox::brokenMarkupEndsTheReading_data()
{
    QTest::addColumn<QString>("html");
    // KaTeX never writes these; a reading that started again at the top would never end,
    // and every formula after it would wait for the math thread for ever.
    QTest::newRow("tag never closed") << u"<span class=\"katex\"><span class=\"base\""_s;
    QTest::newRow("end tag never closed") << u"<span class=\"mord\">x</span"_s;
    QTest::newRow("picture never closed") << u"<span><svg viewBox='0 0 10 10'><path d='M0 0'/>"_s;
    QTest::newRow("stray end tag") << u"</span>x"_s;
    QTest::newRow("empty") << QString();
}

void TestMathBox::brokenMarkupEndsTheReading()
{
    QFETCH(QString, html);
    const MathBox box = MathBox::fromKatexHtml(html, 20);
    QVERIFY(box.width() >= 0 && box.height() >= 0 && box.depth() >= 0);
    for (const MathBox &piece : MathBox::piecesFromKatexHtml(html, 20))
        QVERIFY(piece.width() >= 0);
}

VELM_TEST_MAIN(TestMathBox)
#include "tst_mathbox.moc"
