#include "support/testregistry.h"

#include "markdown/markdownparser.h"
#include "markdown/nativetext.h"
#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"
#include "markdown/view/nativetextview.h"
#include "math/mathtypesetter.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

const NativeTextStyle style{u"#4f5bd5"_s, u"Mono"_s, 13};

// A text view of one Markdown paragraph, its formulas typeset.
std::unique_ptr<NativeTextView> paragraph(const QString &markdown, int width = 500)
{
    auto view = std::make_unique<NativeTextView>();
    QFont font(u"Inter"_s);
    font.setPixelSize(15);
    view->setFont(font);
    const QList<MDSpan> spans = MarkdownParser::parseSpans(markdown);
    view->setHtml(NativeText::spansHTML(spans, style), NativeText::formulas(spans));
    view->resize(width, view->heightForWidth(width));
    if (!QTest::qWaitFor([&] { return view->formulasTypeset(); }, 10000))
        return nullptr;
    view->resize(width, view->heightForWidth(width));
    return view;
}

std::unique_ptr<MathBlockView> display(const QString &tex, int width = 500)
{
    auto view = std::make_unique<MathBlockView>();
    view->setTex(tex);
    view->resize(width, view->sizeHint().height());
    if (!QTest::qWaitFor([&] { return view->isTypeset(); }, 10000))
        return nullptr;
    view->resize(width, view->sizeHint().height());
    return view;
}

// The rows of `image` that hold a pixel of `colour`, or within `tolerance` of it (thin strokes
// are antialiased; the distance is Euclidean, in 0…255 per channel).
QList<int> inkRows(const QImage &image, const QColor &colour, int tolerance = 100)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int red = pixel.red() - colour.red(), green = pixel.green() - colour.green(),
                      blue = pixel.blue() - colour.blue();
            if (red * red + green * green + blue * blue < tolerance * tolerance
                && pixel.alpha() > 200) {
                rows.append(y);
                break;
            }
        }
    }
    return rows;
}

// Draws what has no colour of its own in `colour`.
void setTextColour(QWidget *view, const QColor &colour)
{
    QPalette palette = view->palette();
    palette.setColor(QPalette::WindowText, colour);
    view->setPalette(palette);
}

// `view` drawn on `background`, at `ratio` device pixels a logical one.
QImage rendered(QWidget *view, const QColor &background = Qt::white, qreal ratio = 1)
{
    QImage image(view->size() * ratio, QImage::Format_ARGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(background);
    view->render(&image);
    return image;
}

// Black ink on white, down to the antialiased grey of a thin stroke.
constexpr int dark = 180;

} // namespace

// Formulas drawn natively: inside text and on their own.
class TestMathViews : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void inlineFormulaSitsOnTheBaselineWithItsDepth();
    void longInlineFormulaBreaksBetweenItsPieces();
    void copiesFormulasAsTheirTeX_data();
    void copiesFormulasAsTheirTeX();
    void texThatDoesNotParseShowsAsPlainText_data();
    void texThatDoesNotParseShowsAsPlainText();
    void displayFormulaIsAnEquationNamedByItsSource();
    void displayFormulaCopiesItsTeX();
    void growingFormulaKeepsItsPictureUntilTheNewOne();
    void formulaBeingWrittenIsNoFailureYet();
    void drawnInTheThemesTextColour();
    void sharpAtRatioTwo();
    void wideFormulaScrollsSideways();
};

void TestMathViews::inlineFormulaSitsOnTheBaselineWithItsDepth()
{
    const auto view = paragraph(u"a $\\frac{1}{2}$"_s);
    QVERIFY(view);
    const std::optional<MathFormula> formula
        = MathTypesetter::instance().find({u"\\frac{1}{2}"_s, false, 15 * 1.03});
    QVERIFY(formula && formula->box.depth() > 3);

    setTextColour(view.get(), Qt::black);
    const QImage image = rendered(view.get());
    // The "a" is the first run of inked columns, the formula all after the gap behind it.
    const auto inked = [&](int x) {
        return !inkRows(image.copy(x, 0, 1, image.height()), Qt::black, dark).isEmpty();
    };
    int x = 0;
    while (x < image.width() && !inked(x))
        ++x;
    const int letterStart = x;
    while (x < image.width() && inked(x))
        ++x;
    const int letterEnd = x;
    const QList<int> letter = inkRows(
        image.copy(letterStart, 0, letterEnd - letterStart, image.height()), Qt::black, dark);
    const QList<int> math
        = inkRows(image.copy(letterEnd + 1, 0, image.width() - letterEnd - 1, image.height()),
                  Qt::black, dark);
    QVERIFY(!letter.isEmpty() && !math.isEmpty());
    // The formula's ink drawn alone, against its own baseline.
    QImage alone(200, 100, QImage::Format_ARGB32);
    alone.fill(Qt::white);
    {
        QPainter painter(&alone);
        formula->box.paint(painter, QPointF(10, 50), Qt::black);
    }
    const QList<int> own = inkRows(alone, Qt::black, dark);
    QVERIFY(!own.isEmpty());
    // "a" sits on the baseline; the fraction's denominator reaches as far below it as its ink
    // does below its own baseline, and its numerator as far above.
    const int baseline = letter.last() + 1;
    QVERIFY2(std::abs((math.last() - baseline) - (own.last() - 50)) <= 1,
             qPrintable(u"bottom %1, baseline %2, alone %3"_s.arg(math.last())
                            .arg(baseline)
                            .arg(own.last() - 50)));
    QVERIFY2(std::abs((baseline - math.first()) - (50 - own.first())) <= 1,
             qPrintable(u"top %1, baseline %2, alone %3"_s.arg(math.first())
                            .arg(baseline)
                            .arg(50 - own.first())));
    // And the line is tall enough for both: nothing is cut off at the view's edges.
    QVERIFY(math.first() > 0);
    QVERIFY(math.last() < image.height() - 1);
}

void TestMathViews::longInlineFormulaBreaksBetweenItsPieces()
{
    const QString tex
        = u"a_1 + a_2 + a_3 + a_4 + a_5 + a_6 + a_7 + a_8 + a_9 + a_{10} + a_{11} = S"_s;
    const auto wide = paragraph(u"The sum $"_s + tex + u"$ ends here."_s, 2000);
    const auto narrow = paragraph(u"The sum $"_s + tex + u"$ ends here."_s, 160);
    QVERIFY(wide && narrow);
    const std::optional<MathFormula> formula
        = MathTypesetter::instance().find({tex, false, 15 * 1.03});
    QVERIFY(formula && formula->pieces.size() > 8);
    // On one line when there is room, and over several when not, none wider than the view.
    QVERIFY(narrow->height() > 2 * wide->height());
    qreal widest = 0;
    for (const MathBox &piece : formula->pieces)
        widest = std::max(widest, piece.width());
    QVERIFY(widest < 160);
    // Still one formula to copy.
    QCOMPARE(narrow->toPlainText(), u"The sum $"_s + tex + u"$ ends here."_s);
}

void TestMathViews::copiesFormulasAsTheirTeX_data()
{
    QTest::addColumn<QString>("markdown");
    QTest::addColumn<QString>("copied");

    QTest::newRow("text and a formula")
        << u"Euler: $e^{i\\pi} + 1 = 0$, famous."_s << u"Euler: $e^{i\\pi} + 1 = 0$, famous."_s;
    QTest::newRow("a formula alone") << u"$\\sqrt{2}$"_s << u"\\sqrt{2}"_s;
    QTest::newRow("two formulas side by side")
        << u"$a$, $b$ and $<b>x</b>$"_s << u"$a$, $b$ and $<b>x</b>$"_s;
    QTest::newRow("a long formula in pieces")
        << u"so $x_1 + x_2 + x_3 = y$."_s << u"so $x_1 + x_2 + x_3 = y$."_s;
}

void TestMathViews::copiesFormulasAsTheirTeX()
{
    QFETCH(QString, markdown);
    QFETCH(QString, copied);
    const auto view = paragraph(markdown);
    QVERIFY(view);
    view->selectAll();
    QCOMPARE(view->selectedText(), copied);
    QApplication::clipboard()->clear();
    view->copySelection();
    QCOMPARE(QApplication::clipboard()->text(), copied);
}

void TestMathViews::texThatDoesNotParseShowsAsPlainText_data()
{
    QTest::addColumn<QString>("tex");
    QTest::newRow("unknown command") << u"\\notacommand{x}"_s;
    QTest::newRow("markup in it") << u"<b>bold</b> \\frac{1}{"_s;
    QTest::newRow("an entity") << u"&amp; \\left( x"_s;
}

void TestMathViews::texThatDoesNotParseShowsAsPlainText()
{
    QFETCH(QString, tex);
    // Inside text: the source as written, in the error colour.
    const auto text = paragraph(u"Try $"_s + tex + u"$ now"_s);
    QVERIFY(text);
    QCOMPARE(text->toPlainText(), u"Try "_s + tex + u" now"_s);
    setTextColour(text.get(), Qt::black);
    const QImage image = rendered(text.get());
    QVERIFY(!inkRows(image, MathBlockView::errorColor(text.get())).isEmpty());

    // On its own: the same, with KaTeX's message for screen readers.
    const auto block = display(tex);
    QVERIFY(block);
    QVERIFY(!block->error().isEmpty());
    QCOMPARE(block->accessibleName(), tex);
    QCOMPARE(block->accessibleDescription(), block->error());
    const QImage blockImage = rendered(block.get());
    QVERIFY(!inkRows(blockImage, MathBlockView::errorColor(block.get())).isEmpty());
}

void TestMathViews::displayFormulaIsAnEquationNamedByItsSource()
{
    const auto view = display(u"\\int_0^1 x^2 \\, dx"_s);
    QVERIFY(view);
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(view.get());
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::Equation);
    QCOMPARE(accessible->text(QAccessible::Name), u"\\int_0^1 x^2 \\, dx"_s);
}

void TestMathViews::displayFormulaCopiesItsTeX()
{
    const auto view = display(u"\\sum_{n=1}^\\infty \\frac{1}{n^2}"_s);
    QVERIFY(view);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QVERIFY(!view->isSelected());
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, view->rect().center());
    QVERIFY(view->isSelected());
    QApplication::clipboard()->clear();
    QTest::keySequence(view.get(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), u"\\sum_{n=1}^\\infty \\frac{1}{n^2}"_s);
}

void TestMathViews::growingFormulaKeepsItsPictureUntilTheNewOne()
{
    const auto view = display(u"\\frac{a}{b}"_s);
    QVERIFY(view);
    const int height = view->height();
    view->setTex(u"\\frac{a}{b} + \\frac{c}{d_{growing}}"_s);
    // Until the new picture comes, the old one stays at its height: nothing jumps or blinks.
    QVERIFY(!view->isTypeset());
    QCOMPARE(view->sizeHint().height(), height);
    QTRY_VERIFY(view->isTypeset());
    QVERIFY(view->sizeHint().width() > 0);
}

void TestMathViews::formulaBeingWrittenIsNoFailureYet()
{
    // A display formula streams in: its closing "$$" has not come, and half of it does not
    // parse. The last picture stays, red never shows; once closed, a real failure does.
    MarkdownView view;
    view.resize(500, 400);
    view.setText(u"$$\\int_0^1 x^2 \\, dx ="_s);
    auto *formula = qobject_cast<MathBlockView *>(view.blockWidget(0));
    QVERIFY(formula && formula->isOpen());
    QTRY_VERIFY(formula->isTypeset());
    QVERIFY(formula->error().isEmpty());

    view.setText(u"$$\\int_0^1 x^2 \\, dx = \\frac{1}{"_s);
    QCOMPARE(view.blockWidget(0), formula);
    QTRY_VERIFY(formula->isTypeset());
    QVERIFY(formula->error().isEmpty());
    const QImage image = rendered(formula);
    QVERIFY(inkRows(image, MathBlockView::errorColor(formula)).isEmpty());

    view.setText(u"$$\\int_0^1 x^2 \\, dx = \\frac{1}{$$"_s);
    QCOMPARE(view.blockWidget(0), formula);
    QVERIFY(!formula->isOpen());
    QTRY_VERIFY(formula->isTypeset());
    QVERIFY(!formula->error().isEmpty());
}

void TestMathViews::drawnInTheThemesTextColour()
{
    for (const QColor &colour : {QColor(0x11, 0x11, 0x11), QColor(0xee, 0xee, 0xee)}) {
        const auto view = display(u"x^2 + \\color{#3070f0}{y}"_s);
        QVERIFY(view);
        setTextColour(view.get(), colour);
        const QImage image = rendered(view.get(), colour.lightness() > 128 ? Qt::black : Qt::white);
        QVERIFY(!inkRows(image, colour).isEmpty());
        // A colour of the formula's own stays its own.
        QVERIFY(!inkRows(image, QColor(0x30, 0x70, 0xf0)).isEmpty());
    }
}

void TestMathViews::sharpAtRatioTwo()
{
    const auto view = display(u"\\sqrt{x^2 + y^2}"_s);
    QVERIFY(view);
    setTextColour(view.get(), Qt::black);
    // Drawn at twice the pixels, a formula is twice as tall in ink, not a scaled-up picture:
    // it has as many fully black pixels per logical pixel of ink as at ratio 1, or more.
    const auto solid = [](const QImage &image) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += qGray(image.pixel(x, y)) < 40;
        return count;
    };
    const QImage single = rendered(view.get());
    const QImage twice = rendered(view.get(), Qt::white, 2);
    QCOMPARE(inkRows(twice, Qt::black).size() / 2 >= inkRows(single, Qt::black).size() - 2, true);
    QVERIFY(solid(twice) > 3 * solid(single));
}

void TestMathViews::wideFormulaScrollsSideways()
{
    QString tex;
    for (int i = 1; i <= 40; ++i)
        tex += u"x_{%1} + "_s.arg(i);
    tex += u"y"_s;
    const auto view = display(tex, 300);
    QVERIFY(view);
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QVERIFY(view->sizeHint().width() > 300);
    // An upright turn of the wheel is the chat's; a sideways one moves the formula.
    QWheelEvent upright(QPointF(50, 20), view->mapToGlobal(QPointF(50, 20)), {}, QPoint(0, -120),
                        Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &upright);
    QVERIFY(!upright.isAccepted());
    const QImage before = view->grab().toImage();
    QWheelEvent sideways(QPointF(50, 20), view->mapToGlobal(QPointF(50, 20)), {}, QPoint(-120, 0),
                         Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.get(), &sideways);
    QVERIFY(sideways.isAccepted());
    QVERIFY(view->grab().toImage() != before);
    // A formula that fits does not take the wheel.
    const auto narrow = display(u"x"_s, 300);
    QVERIFY(narrow);
    QWheelEvent again(QPointF(50, 20), narrow->mapToGlobal(QPointF(50, 20)), {}, QPoint(-120, 0),
                      Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(narrow.get(), &again);
    QVERIFY(!again.isAccepted());
}

VELM_TEST_MAIN(TestMathViews)
#include "tst_mathviews.moc"
