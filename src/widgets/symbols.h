#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringView>

// The symbols the views draw, addressed by their design names ("globe", "doc.on.doc",
// "stop.circle.fill"). Each is an outlined SVG icon tinted when drawn, so one file serves
// every colour and scheme and stays crisp at any device pixel ratio.
namespace Symbols {

// How heavy the strokes are, as the design's symbol weights.
enum class Weight : quint8 { Regular, Medium, Semibold, Bold };

// Whether `name` has an icon in this build.
bool contains(QStringView name);

// The embedded SVG file drawn for `name`; empty for an unknown name.
QString resourcePath(QStringView name);

// `name` drawn `size` logical pixels square in `color` (its alpha included) for a screen of
// `devicePixelRatio`. An unknown name, or a build without the icons, gives a transparent
// pixmap of that size, so layouts do not shift. Results are cached.
QPixmap pixmap(QStringView name, int size, const QColor &color, qreal devicePixelRatio = 1.0,
               Weight weight = Weight::Regular);

// An icon for buttons and menus whose every size is drawn in `color`; the disabled mode is
// drawn at 35 % opacity.
QIcon icon(QStringView name, const QColor &color, Weight weight = Weight::Regular);

} // namespace Symbols
