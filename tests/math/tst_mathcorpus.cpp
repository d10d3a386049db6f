#include "math/katextypesetter.h"
#include "math/mathbox.h"
#include "math/mathfonts.h"
#include "math/mathtypesetter.h"
#include "support/testdata.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

// TeX that does not parse has no picture.
bool notCompared(const QString &group)
{
    return group == u"errors"_s;
}

// The reference pictures were drawn in a page 720 logical pixels wide, which wrapped the
// longest inline formulas over lines; those are the text view's to follow (its tests break a
// formula between its pieces), not a single picture's.
constexpr qreal referencePageWidth = 720 * 2;

// The ink of a picture: what is darker than two thirds of white in any channel.
QList<bool> inkOf(const QImage &image)
{
    QList<bool> ink(image.width() * image.height());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            ink[y * image.width() + x]
                = 255 - std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 85;
        }
    }
    return ink;
}

QList<bool> grown(const QList<bool> &ink, int width, int height)
{
    QList<bool> out(ink.size());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool near = false;
            for (int dy = -2; dy <= 2 && !near; ++dy) {
                for (int dx = -2; dx <= 2 && !near; ++dx) {
                    const int xx = x + dx, yy = y + dy;
                    near = xx >= 0 && yy >= 0 && xx < width && yy < height && ink[yy * width + xx];
                }
            }
            out[y * width + x] = near;
        }
    }
    return out;
}

// The share of ink, of either picture, with no ink of the other within 2 pixels (one logical
// pixel at ratio 2), laid on each other at the best shift of at most 3 pixels. Hinting and a
// pixel of drift are no difference; a missing, extra or misplaced stroke is.
double difference(const QImage &a, const QImage &b)
{
    const QList<bool> inkA = inkOf(a), inkB = inkOf(b);
    const QList<bool> nearA = grown(inkA, a.width(), a.height());
    const QList<bool> nearB = grown(inkB, b.width(), b.height());
    const int total = int(std::count(inkA.begin(), inkA.end(), true)
                          + std::count(inkB.begin(), inkB.end(), true));
    const auto near = [](const QList<bool> &grid, const QImage &image, int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height()
            && grid[y * image.width() + x];
    };
    int best = total;
    for (int sy = -3; sy <= 3; ++sy) {
        for (int sx = -3; sx <= 3; ++sx) {
            int outside = 0;
            for (int y = 0; y < a.height(); ++y)
                for (int x = 0; x < a.width(); ++x)
                    outside += inkA[y * a.width() + x] && !near(nearB, b, x + sx, y + sy);
            for (int y = 0; y < b.height(); ++y)
                for (int x = 0; x < b.width(); ++x)
                    outside += inkB[y * b.width() + x] && !near(nearA, a, x - sx, y - sy);
            best = std::min(best, outside);
        }
    }
    return total > 0 ? double(best) / total : 1;
}

// Room all round the drawing: overlaps (\mathllap, \mathclap) reach out of the formula's box.
constexpr int room = 200;

// A picture `width` by `height` with room all round, white, with `paint` drawn on it.
QImage onWhite(qreal width, qreal height, const std::function<void(QPainter &)> &paint)
{
    QImage image(QSize(int(width) + 2 * room, int(height) + 2 * room), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paint(painter);
    }
    return image;
}

QRect inkRect(const QImage &image)
{
    QRect ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 250)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// Cropped to the ink with 4 pixels of white, as the reference pictures are.
QImage croppedToInk(const QImage &image)
{
    const QRect ink = inkRect(image);
    return ink.isEmpty() ? image : image.copy(ink.adjusted(-4, -4, 4, 4));
}

// The formula drawn black on white, as the reference pictures are.
QImage drawn(const MathBox &box)
{
    return croppedToInk(onWhite(box.width(), box.height() + box.depth(), [&](QPainter &painter) {
        box.paint(painter, QPointF(room, room + box.height()), Qt::black);
    }));
}

// A display formula with a number, as its view draws it: the body centred, the number at the
// right edge of a line as wide as the reference's page. The page's width is not in the
// picture, which is cropped to its ink: either the ink starts at the body, or the page showed
// a scroll bar across its whole width (a numbered environment overflowed it).
QImage drawnDisplay(const MathFormula &formula, int referenceWidth, bool scrollBar)
{
    const qreal width = scrollBar
        ? referenceWidth - 8
        : std::max(formula.displayWidth(), 2.0 * (referenceWidth - 8) - formula.box.width());
    const qreal height = formula.displayHeight();
    const QImage image = onWhite(width, height + formula.displayDepth(), [&](QPainter &painter) {
        formula.paintDisplay(painter, room, width, room + height, Qt::black);
    });
    if (!scrollBar)
        return croppedToInk(image);
    // The whole line across, as the scroll bar made the reference.
    const QRect ink = inkRect(image);
    return image.copy(QRect(room - 4, ink.top() - 4, int(width) + 8, ink.height() + 8));
}

// The reference above, the native drawing (as compared) below, on one picture.
QImage sideBySide(const QImage &reference, const QImage &native)
{
    QImage pair(std::max(reference.width(), native.width()),
                reference.height() + native.height() + 6, QImage::Format_RGB32);
    pair.fill(QColor(0xdd, 0xdd, 0xdd));
    QPainter painter(&pair);
    painter.drawImage(0, 0, reference);
    painter.drawImage(0, reference.height() + 6, native);
    return pair;
}

} // namespace

class TestMathCorpus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The script and fonts velm ships.
    void initTestCase() { QVERIFY(MathFonts::registerEmbedded() > 0); }

    // Every formula of the corpus the native drawing does, drawn at the sizes of the math
    // pages velm used to show (15 px text, 18 px display math, KaTeX at 1.03 em, ratio 2),
    // looks as a browser drew it. A browser sets a long line of glyphs up to 3 % narrower
    // than their advances add up to, so a picture within 5 % of the reference's width is
    // first stretched to it; then the measure above must stay under 0.13: pairs that look
    // the same at sight measure under 0.13, a missing, extra or misplaced piece 0.2 and more.
    // A picture whose width differs by more (and by more than 3 logical pixels, which is
    // cropping) is a fault of its own.
    void looksAsTheWebViewDrew()
    {
        constexpr double threshold = 0.13;
        QFile script(u":/katex/katex.min.js"_s);
        QVERIFY(script.open(QIODevice::ReadOnly));
        const KatexTypesetter katex(QString::fromUtf8(script.readAll()));
        QVERIFY(katex.isValid());
        QFile corpus(TestData::path(u"math/corpus.tsv"_s));
        QVERIFY(corpus.open(QIODevice::ReadOnly | QIODevice::Text));
        QTextStream lines(&corpus);
        int number = 0;
        int compared = 0;
        QStringList different;
        struct Compared
        {
            double measure;
            QString name;
            QImage pair;
        };
        QList<Compared> worst;
        QList<double> measures;
        while (!lines.atEnd()) {
            const QString line = lines.readLine();
            const QStringList columns = line.split(u'\t');
            if (line.startsWith(u'#') || columns.size() != 3)
                continue;
            ++number;
            const QString &group = columns.at(0), &tex = columns.at(2);
            if (notCompared(group))
                continue;
            const bool display = columns.at(1) == u"display"_s;
            const KatexTypesetter::Result typeset = katex.typeset(tex, display);
            QVERIFY2(typeset.error.isEmpty(), qPrintable(tex + u": "_s + typeset.error));
            MathFormula formula;
            formula.em = (display ? 18 : 15) * 1.03 * 2;
            formula.box = MathBox::fromKatexHtml(typeset.html, formula.em,
                                                 display ? &formula.tag : nullptr);
            const QImage reference(TestData::path(
                u"math/reference/%1-%2.png"_s.arg(number, 3, 10, QChar(u'0')).arg(group)));
            QVERIFY2(!reference.isNull(), qPrintable(tex));
            if (group == u"longinline"_s && formula.box.width() > referencePageWidth)
                continue;
            QList<QImage> candidates;
            if (formula.tag.isNull()) {
                candidates = {drawn(formula.box)};
            } else {
                candidates = {drawnDisplay(formula, reference.width(), false),
                              drawnDisplay(formula, reference.width(), true)};
            }
            double measure = 2;
            double widthRatio = 0;
            bool closeWidth = false;
            QImage fitted, native;
            for (const QImage &candidate : std::as_const(candidates)) {
                const double ratio = double(candidate.width()) / reference.width();
                const bool close = std::abs(ratio - 1) <= 0.05;
                const QImage stretched = close
                    ? candidate.scaled(reference.width(), candidate.height(), Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation)
                    : candidate;
                const double candidateMeasure
                    = difference(reference.convertToFormat(QImage::Format_RGB32), stretched);
                if (candidateMeasure < measure) {
                    measure = candidateMeasure;
                    widthRatio = ratio;
                    closeWidth = close;
                    fitted = stretched;
                    native = candidate;
                }
            }
            ++compared;
            measures.append(measure);
            worst.append({measure, u"%1-%2"_s.arg(number, 3, 10, QChar(u'0')).arg(group),
                          sideBySide(reference, fitted)});
            std::sort(worst.begin(), worst.end(),
                      [](const Compared &a, const Compared &b) { return a.measure > b.measure; });
            if (worst.size() > 10)
                worst.removeLast();
            if (measure > threshold
                || (!closeWidth && std::abs(native.width() - reference.width()) > 6))
                different.append(
                    u"%1 %2 %3"_s.arg(measure, 0, 'f', 3).arg(widthRatio, 0, 'f', 3).arg(tex));
        }
        // The ten that differ most, for a person to look at.
        const QDir screenshots(QStringLiteral(VELM_SCREENSHOT_DIR));
        screenshots.mkpath(u"math-worst"_s);
        for (qsizetype i = 0; i < worst.size(); ++i) {
            worst.at(i).pair.save(screenshots.filePath(u"math-worst/%1-%2-%3.png"_s.arg(i + 1).arg(
                worst.at(i).name, QString::number(worst.at(i).measure, 'f', 3))));
        }
        std::sort(measures.begin(), measures.end());
        qInfo("%d formulas compared; measure median %.3f, 90th percentile %.3f, worst %.3f",
              compared, measures.at(measures.size() / 2), measures.at(measures.size() * 9 / 10),
              measures.last());
        QVERIFY(compared > 500);
        QVERIFY2(different.isEmpty(), qPrintable(different.join(u"\n"_s)));
    }
};

VELM_TEST_MAIN(TestMathCorpus)
#include "tst_mathcorpus.moc"
