#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/appfonts.h"
#include "widgets/typestyles.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

// WCAG contrast ratio of two opaque colours.
qreal contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &color) {
        const auto channel = [](float value) {
            return value <= 0.03928f ? value / 12.92f : std::pow((value + 0.055f) / 1.055f, 2.4f);
        };
        return 0.2126f * channel(color.redF()) + 0.7152f * channel(color.greenF())
            + 0.0722f * channel(color.blueF());
    };
    const qreal la = luminance(a);
    const qreal lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool embedded(const QString &name)
{
    return !AppFonts::resourcePath(name).isEmpty();
}

} // namespace

class TestAppStyle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fontsRegisterOnce();
    void missingFontFilesAreSkipped();
    void faces_data();
    void faces();
    void namedColors();
    void palettes_data();
    void palettes();
    void mix_data();
    void mix();
};

void TestAppStyle::fontsRegisterOnce()
{
    const QStringList names = AppFonts::resourceNames();
    int available = 0;
    for (const QString &name : names)
        available += embedded(name) ? 1 : 0;
    QCOMPARE(registerAppFonts(), available);
    QCOMPARE(registerAppFonts(), 0);
    if (embedded(u"PlayfairDisplay-SemiBold"_s))
        QVERIFY(QFontDatabase::families().contains(u"Playfair Display"_s));
    if (embedded(u"Inter_18pt-Regular"_s))
        QVERIFY(QFontDatabase::families().contains(u"Inter"_s));
}

void TestAppStyle::missingFontFilesAreSkipped()
{
    QTemporaryFile notAFont;
    QVERIFY(notAFont.open());
    notAFont.write("this is not a font");
    notAFont.close();
    QStringList paths{u":/fonts/NoSuchFont-Regular.ttf"_s, notAFont.fileName()};
    int expected = 0;
    if (embedded(u"Inter_18pt-Medium"_s)) {
        paths.append(AppFonts::resourcePath(u"Inter_18pt-Medium"_s));
        ++expected;
    }
    QCOMPARE(AppFonts::registerFontFiles(paths), expected);
}

void TestAppStyle::faces_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QString>("resource");
    QTest::addColumn<QString>("family");
    QTest::addColumn<int>("weight");

    // One face of each family; the face names differ from the file names for Inter.
    QTest::newRow("Playfair SemiBold")
        << u"PlayfairDisplay-SemiBold"_s << u"PlayfairDisplay-SemiBold"_s << u"Playfair Display"_s
        << int(QFont::DemiBold);
    QTest::newRow("Inter Regular")
        << u"Inter18pt-Regular"_s << u"Inter_18pt-Regular"_s << u"Inter"_s << int(QFont::Normal);
}

void TestAppStyle::faces()
{
    QFETCH(QString, face);
    QFETCH(QString, resource);
    QFETCH(QString, family);
    QFETCH(int, weight);
    registerAppFonts();

    const QFont font = TypeStyles::face(face, 28);
    QCOMPARE(font.families().value(0), family);
    QCOMPARE(int(font.weight()), weight);
    QCOMPARE(font.pixelSize(), 28);
    if (!embedded(resource))
        QSKIP("font file not embedded in this build");
    // The database really resolves it to the embedded face, not a substitute.
    const QFontInfo info(font);
    QCOMPARE(info.family(), family);
    QCOMPARE(info.weight(), weight);
}

void TestAppStyle::namedColors()
{
    // Every colour has its own dark value, and a view picks the value of its own palette's
    // scheme, whatever the application's is.
    QApplication::setPalette(AppColors::palette(false));
    QWidget view;
    view.setPalette(AppColors::palette(true));
    for (int i = 0; i <= int(NamedColor::AskBackdropWash); ++i) {
        const auto color = NamedColor(i);
        QVERIFY(AppColors::named(color, true) != AppColors::named(color, false));
        QCOMPARE(AppColors::named(color, &view), AppColors::named(color, true));
    }
}

void TestAppStyle::palettes_data()
{
    QTest::addColumn<bool>("dark");
    QTest::newRow("light") << false;
    QTest::newRow("dark") << true;
}

void TestAppStyle::palettes()
{
    QFETCH(bool, dark);
    const QPalette palette = AppColors::palette(dark);
    QCOMPARE(AppColors::isDark(palette), dark);
    const QColor window = palette.color(QPalette::Window);
    // Legible: body text, secondary text and accent (links, inline code) on the window.
    QVERIFY(contrast(AppColors::primaryText(palette), window) >= 7);
    QVERIFY(contrast(AppColors::secondaryText(palette), window) >= 3.5);
    QVERIFY(contrast(AppColors::secondaryText(palette), window)
            < contrast(AppColors::primaryText(palette), window));
    QVERIFY(contrast(AppColors::named(NamedColor::AskAccent, dark), window) >= 3);
    QVERIFY(contrast(palette.color(QPalette::Text), palette.color(QPalette::Base)) >= 7);
}

void TestAppStyle::mix_data()
{
    QTest::addColumn<QColor>("from");
    QTest::addColumn<QColor>("to");
    QTest::addColumn<qreal>("amount");
    QTest::addColumn<QColor>("expected");

    const QColor red(Qt::red);
    const QColor blue(Qt::blue);
    QTest::newRow("none of it") << red << blue << 0.0 << red;
    QTest::newRow("all of it") << red << blue << 1.0 << blue;
    QTest::newRow("back the other way")
        << QColor(200, 100, 40) << QColor(0, 0, 0) << 0.25 << QColor(150, 75, 30);
    // A hover fill fading in from nothing: the alpha moves with the colour.
    QTest::newRow("alpha too") << QColor(255, 255, 255, 0) << QColor(0, 0, 0, 200) << 0.5
                               << QColor(128, 128, 128, 100);
}

void TestAppStyle::mix()
{
    QFETCH(QColor, from);
    QFETCH(QColor, to);
    QFETCH(qreal, amount);
    QFETCH(QColor, expected);
    QCOMPARE(QColor::fromRgba(AppColors::mix(from, to, amount).rgba()), expected);
}

VELM_TEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
