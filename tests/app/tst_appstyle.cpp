#include "app/appcolors.h"
#include "app/appfonts.h"
#include "app/typestyles.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTemporaryFile>
#include <QTest>
#include <QWidget>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TypeStyle)
Q_DECLARE_METATYPE(NamedColor)

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
    void typeStyles_data();
    void typeStyles();
    void namedColors_data();
    void namedColors();
    void palettes_data();
    void palettes();
    void glassTint();
};

void TestAppStyle::fontsRegisterOnce()
{
    const QStringList names = AppFonts::resourceNames();
    QCOMPARE(names.size(), 8);
    QCOMPARE(names.first(), u"PlayfairDisplay-Regular"_s);
    QCOMPARE(names.last(), u"Inter_18pt-SemiBold"_s);

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

    QTest::newRow("Playfair SemiBold")
        << u"PlayfairDisplay-SemiBold"_s << u"PlayfairDisplay-SemiBold"_s << u"Playfair Display"_s
        << int(QFont::DemiBold);
    QTest::newRow("Playfair Bold") << u"PlayfairDisplay-Bold"_s << u"PlayfairDisplay-Bold"_s
                                   << u"Playfair Display"_s << int(QFont::Bold);
    QTest::newRow("Playfair Black") << u"PlayfairDisplay-Black"_s << u"PlayfairDisplay-Black"_s
                                    << u"Playfair Display"_s << int(QFont::Black);
    QTest::newRow("Inter Regular")
        << u"Inter18pt-Regular"_s << u"Inter_18pt-Regular"_s << u"Inter"_s << int(QFont::Normal);
    QTest::newRow("Inter Medium") << u"Inter18pt-Medium"_s << u"Inter_18pt-Medium"_s << u"Inter"_s
                                  << int(QFont::Medium);
    QTest::newRow("Inter SemiBold") << u"Inter18pt-SemiBold"_s << u"Inter_18pt-SemiBold"_s
                                    << u"Inter"_s << int(QFont::DemiBold);
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

void TestAppStyle::typeStyles_data()
{
    QTest::addColumn<TypeStyle>("style");
    QTest::addColumn<QString>("face");
    QTest::addColumn<int>("size");

    QTest::newRow("heroTitle") << TypeStyle::HeroTitle << u"PlayfairDisplay-Bold"_s << 40;
    QTest::newRow("statusTitle") << TypeStyle::StatusTitle << u"PlayfairDisplay-Medium"_s << 22;
    QTest::newRow("headline") << TypeStyle::Headline << u"Inter18pt-SemiBold"_s << 16;
    QTest::newRow("body") << TypeStyle::Body << u"Inter18pt-Regular"_s << 15;
    QTest::newRow("bodyMedium") << TypeStyle::BodyMedium << u"Inter18pt-Medium"_s << 15;
    QTest::newRow("label") << TypeStyle::Label << u"Inter18pt-Medium"_s << 13;
    QTest::newRow("caption") << TypeStyle::Caption << u"Inter18pt-Medium"_s << 12;
    QTest::newRow("overline") << TypeStyle::Overline << u"Inter18pt-SemiBold"_s << 11;
}

void TestAppStyle::typeStyles()
{
    QFETCH(TypeStyle, style);
    QFETCH(QString, face);
    QFETCH(int, size);
    QCOMPARE(TypeStyles::faceName(style), face);
    const QFont font = TypeStyles::font(style);
    const QFont expected = TypeStyles::face(face, size);
    QCOMPARE(font.families(), expected.families());
    QCOMPARE(font.weight(), expected.weight());
    QCOMPARE(font.pixelSize(), size);
}

void TestAppStyle::namedColors_data()
{
    QTest::addColumn<NamedColor>("color");
    QTest::newRow("AppBackgroundStart") << NamedColor::AppBackgroundStart;
    QTest::newRow("AppBackgroundEnd") << NamedColor::AppBackgroundEnd;
    QTest::newRow("AskAccent") << NamedColor::AskAccent;
    QTest::newRow("AskAccentMuted") << NamedColor::AskAccentMuted;
    QTest::newRow("AskBgHover") << NamedColor::AskBgHover;
    QTest::newRow("AskDialogMid") << NamedColor::AskDialogMid;
    QTest::newRow("AskDialogStroke") << NamedColor::AskDialogStroke;
    QTest::newRow("AskRuleSubtle") << NamedColor::AskRuleSubtle;
    QTest::newRow("AskBackdropStart") << NamedColor::AskBackdropStart;
    QTest::newRow("AskBackdropMid") << NamedColor::AskBackdropMid;
    QTest::newRow("AskBackdropEnd") << NamedColor::AskBackdropEnd;
    QTest::newRow("AskBackdropCloud") << NamedColor::AskBackdropCloud;
    QTest::newRow("AskBackdropWash") << NamedColor::AskBackdropWash;
}

void TestAppStyle::namedColors()
{
    QFETCH(NamedColor, color);
    const QColor light = AppColors::named(color, false);
    const QColor dark = AppColors::named(color, true);
    QVERIFY(light.isValid());
    QVERIFY(dark.isValid());
    QVERIFY(light != dark);

    // A view picks the value of its own palette's scheme.
    QWidget view;
    view.setPalette(AppColors::palette(true));
    QCOMPARE(AppColors::named(color, &view), dark);
    view.setPalette(AppColors::palette(false));
    QCOMPARE(AppColors::named(color, &view), light);
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

void TestAppStyle::glassTint()
{
    // Colours keep alpha in 16 bits.
    const auto alpha = [](bool dark, qreal strength) {
        return qRound(AppColors::glassTint(dark, strength).alphaF() * 1000);
    };
    QCOMPARE(alpha(true, 1.0), 380);
    QCOMPARE(alpha(false, 1.0), 180);
    QCOMPARE(alpha(true, 0.5), 190);
    QCOMPARE(alpha(false, 0.0), 0);
    QCOMPARE(alpha(true, 10.0), 1000);
}

QTEST_MAIN(TestAppStyle)
#include "tst_appstyle.moc"
