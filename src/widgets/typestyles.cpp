#include "widgets/typestyles.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

struct FamilyName
{
    QStringView face;
    QStringView family;
};

constexpr FamilyName families[] = {
    {u"PlayfairDisplay", u"Playfair Display"},
    {u"Inter18pt", u"Inter"},
    {u"Inter", u"Inter"},
};

struct WeightName
{
    QStringView name;
    QFont::Weight weight;
};

constexpr WeightName weights[] = {
    {u"Thin", QFont::Thin},      {u"ExtraLight", QFont::ExtraLight}, {u"Light", QFont::Light},
    {u"Regular", QFont::Normal}, {u"Medium", QFont::Medium},         {u"SemiBold", QFont::DemiBold},
    {u"Bold", QFont::Bold},      {u"ExtraBold", QFont::ExtraBold},   {u"Black", QFont::Black},
};

void setSize(QFont &font, qreal pixelSize)
{
    font.setPixelSize(qMax(1, qRound(pixelSize)));
}

} // namespace

namespace TypeStyles {

QFont face(QStringView faceName, qreal pixelSize)
{
    const qsizetype dash = faceName.lastIndexOf(u'-');
    const QStringView familyPart = dash < 0 ? faceName : faceName.first(dash);
    const QStringView weightPart = dash < 0 ? QStringView(u"Regular") : faceName.sliced(dash + 1);

    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    for (const FamilyName &entry : families) {
        if (entry.face == familyPart) {
            font.setFamilies(QStringList{entry.family.toString()});
            break;
        }
    }
    for (const WeightName &entry : weights) {
        if (entry.name == weightPart) {
            font.setWeight(entry.weight);
            break;
        }
    }
    setSize(font, pixelSize);
    return font;
}

QFont monospace(qreal pixelSize, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::Monospace);
    font.setWeight(weight);
    setSize(font, pixelSize);
    return font;
}

QString faceName(TypeStyle style)
{
    switch (style) {
    case TypeStyle::HeroTitle:
        return u"PlayfairDisplay-Bold"_s;
    case TypeStyle::StatusTitle:
        return u"PlayfairDisplay-Medium"_s;
    case TypeStyle::Headline:
    case TypeStyle::Overline:
        return u"Inter18pt-SemiBold"_s;
    case TypeStyle::Body:
        return u"Inter18pt-Regular"_s;
    case TypeStyle::BodyMedium:
    case TypeStyle::Label:
    case TypeStyle::Caption:
        return u"Inter18pt-Medium"_s;
    case TypeStyle::KeyCap:
        return QString(); // the system's monospaced design
    }
    return QString();
}

qreal size(TypeStyle style)
{
    switch (style) {
    case TypeStyle::HeroTitle:
        return 40;
    case TypeStyle::StatusTitle:
        return 22;
    case TypeStyle::Headline:
        return 16;
    case TypeStyle::Body:
    case TypeStyle::BodyMedium:
        return 15;
    case TypeStyle::Label:
        return 13;
    case TypeStyle::Caption:
        return 12;
    case TypeStyle::Overline:
        return 11;
    case TypeStyle::KeyCap:
        return 10;
    }
    return 15;
}

QFont font(TypeStyle style)
{
    if (style == TypeStyle::KeyCap)
        return monospace(size(style), QFont::Medium);
    return face(faceName(style), size(style));
}

} // namespace TypeStyles
