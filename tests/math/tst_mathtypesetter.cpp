#include "math/mathtypesetter.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Asks for `key` and waits for it, however long KaTeX takes to load the first time.
std::optional<MathFormula> typeset(const MathKey &key)
{
    MathTypesetter &typesetter = MathTypesetter::instance();
    typesetter.request(key);
    if (!QTest::qWaitFor([&] { return typesetter.find(key).has_value(); }, 10000))
        return std::nullopt;
    return typesetter.find(key);
}

} // namespace

// The app's typesetter: formulas typeset on their own thread and kept.
class TestMathTypesetter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typesetsWithoutHoldingTheCaller();
    void eachFormulaIsTypesetOnce();
    void sizeAndModeAreTypesetApart();
    void keepsWhatItDrawsWithinItsBound();
    void inlinePiecesMakeTheWhole();
    void displayNumbersGoToTheRightEdge_data();
    void displayNumbersGoToTheRightEdge();
    void texThatDoesNotParseCarriesKaTeXsMessage_data();
    void texThatDoesNotParseCarriesKaTeXsMessage();
};

void TestMathTypesetter::typesetsWithoutHoldingTheCaller()
{
    MathTypesetter &typesetter = MathTypesetter::instance();
    QSignalSpy ready(&typesetter, &MathTypesetter::ready);
    const MathKey key{u"\\frac{\\pi}{4}"_s, true, 20};
    typesetter.request(key);
    // Nothing is typeset while the caller waits: the answer comes later, by the event loop.
    QVERIFY(!typesetter.find(key));
    QVERIFY(ready.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 10000);
    QCOMPARE(ready.first().first().value<MathKey>(), key);
    const std::optional<MathFormula> formula = typesetter.find(key);
    QVERIFY(formula && formula->isValid());
    QVERIFY(formula->box.height() > 0 && formula->box.depth() > 0 && formula->box.width() > 0);
}

void TestMathTypesetter::eachFormulaIsTypesetOnce()
{
    MathTypesetter &typesetter = MathTypesetter::instance();
    QVERIFY(typeset({u"x"_s, false, 15}));
    const int before = typesetter.typesetCount();
    const MathKey key{u"a^2 + b^2 = c^2"_s, false, 15};
    // Asked for again and again while it is on its way, as a growing answer does.
    typesetter.request(key);
    typesetter.request(key);
    QVERIFY(typeset(key));
    typesetter.request(key);
    QTest::qWait(50);
    QCOMPARE(typesetter.typesetCount(), before + 1);
}

void TestMathTypesetter::sizeAndModeAreTypesetApart()
{
    const auto small = typeset({u"\\sum_{i=1}^n i"_s, false, 15});
    const auto large = typeset({u"\\sum_{i=1}^n i"_s, false, 30});
    const auto display = typeset({u"\\sum_{i=1}^n i"_s, true, 15});
    QVERIFY(small && large && display);
    QVERIFY(qAbs(large->box.width() - 2 * small->box.width()) < 1);
    // In display style the limits go above and below a larger sign.
    QVERIFY(display->box.height() > small->box.height() * 1.3);
}

void TestMathTypesetter::keepsWhatItDrawsWithinItsBound()
{
    MathTypesetter &typesetter = MathTypesetter::instance();
    // Large formulas, one after another, as a long session's answers bring them.
    QString large;
    for (int i = 0; i < 40; ++i)
        large += u"\\frac{a_{%1}}{b^{%1}} + "_s;
    const MathKey first{large.arg(0) + u"z"_s, true, 18};
    QVERIFY(typeset(first));
    const std::optional<MathFormula> formula = typesetter.find(first);
    QVERIFY(formula && formula->box.itemCount() > 100);
    // Enough of them to fill what is kept twice over.
    const qsizetype count = 2 * MathTypesetter::maximumKeptItems / formula->box.itemCount() + 1;
    for (qsizetype i = 1; i <= count; ++i)
        QVERIFY(typeset({large.arg(i) + u"z"_s, true, 18}));
    // The oldest went; what is kept stays within the bound, and the newest is there.
    QVERIFY(typesetter.keptItems() <= MathTypesetter::maximumKeptItems);
    QVERIFY(typesetter.find({large.arg(count) + u"z"_s, true, 18}));
    QVERIFY(!typesetter.find(first));
}

void TestMathTypesetter::inlinePiecesMakeTheWhole()
{
    const auto formula
        = typeset({u"x = \\frac{-b \\pm \\sqrt{b^2 - 4ac}}{2a}, y > 0"_s, false, 15});
    QVERIFY(formula);
    QCOMPARE(formula->pieces.size(), 3); // after "=" and after ">"
    qreal width = 0;
    for (const MathBox &piece : formula->pieces) {
        width += piece.width();
        QVERIFY(piece.height() <= formula->box.height() + 0.01);
        QVERIFY(piece.depth() <= formula->box.depth() + 0.01);
    }
    QVERIFY(qAbs(width - formula->box.width()) < 0.5);
}

void TestMathTypesetter::displayNumbersGoToTheRightEdge_data()
{
    QTest::addColumn<QString>("tex");
    QTest::addColumn<bool>("numbered");
    QTest::newRow("tag") << u"E = mc^2 \\tag{1}"_s << true;
    QTest::newRow("numbered environment")
        << u"\\begin{align} a &= b \\\\ c &= d \\end{align}"_s << true;
    QTest::newRow("unnumbered") << u"\\begin{align*} a &= b \\end{align*}"_s << false;
}

void TestMathTypesetter::displayNumbersGoToTheRightEdge()
{
    QFETCH(QString, tex);
    QFETCH(bool, numbered);
    const auto formula = typeset({tex, true, 18});
    QVERIFY(formula && formula->isValid());
    QCOMPARE(!formula->tag.isNull(), numbered);
    if (numbered) {
        QVERIFY(formula->tag.width() > 0);
        QVERIFY(formula->displayWidth() > formula->box.width() + 2 * formula->tag.width());
    } else {
        QCOMPARE(formula->displayWidth(), formula->box.width());
    }
}

void TestMathTypesetter::texThatDoesNotParseCarriesKaTeXsMessage_data()
{
    QTest::addColumn<QString>("tex");
    QTest::newRow("open group") << u"\\frac{1}{"_s;
    QTest::newRow("unknown command") << u"\\notacommand"_s;
    QTest::newRow("unbalanced delimiter") << u"\\left( x"_s;
}

void TestMathTypesetter::texThatDoesNotParseCarriesKaTeXsMessage()
{
    QFETCH(QString, tex);
    const auto formula = typeset({tex, false, 15});
    QVERIFY(formula);
    QVERIFY(!formula->isValid());
    QVERIFY2(formula->error.contains(u"KaTeX parse error"_s), qPrintable(formula->error));
}

VELM_TEST_MAIN(TestMathTypesetter)
#include "tst_mathtypesetter.moc"
