#pragma once

#include <QFont>
#include <QString>
#include <QStringView>

// The named type styles of the application.
enum class TypeStyle : quint8 {
    HeroTitle,
    StatusTitle,
    Headline,
    Body,
    BodyMedium,
    Label,
    Caption,
    Overline,
    KeyCap,
};

// Sizes are in logical pixels, as a point is on the desktops the design was drawn for, so
// text is as large next to formulas (set in px, as KaTeX sets them) as it is there.
namespace TypeStyles {

QFont font(TypeStyle style);

// A face addressed by its design name: "PlayfairDisplay-SemiBold", "Inter18pt-Medium".
// The family part names the family ("Inter18pt" is Inter at its text optical size) and the
// part after the dash the weight. An unknown face gives the system font at that size; so
// does a face whose font file is missing, through the font database's fallback.
QFont face(QStringView faceName, qreal pixelSize);

// The system's fixed-pitch font at a size.
QFont monospace(qreal pixelSize, QFont::Weight weight = QFont::Normal);

QString faceName(TypeStyle style);
qreal size(TypeStyle style);

} // namespace TypeStyles
