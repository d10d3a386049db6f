#pragma once

#include <QtGlobal>

class QPainter;
class QRectF;

// The translucent rounded surface that stands in for the system's glass material: a
// frosting, the glass tint over it and light catching the upper edge. The scheme is given,
// not read from a palette: the Quick Ask bar chooses its own.
namespace GlassSurface {

enum class Material {
    // A window's own panel (the Quick Ask card). Nothing blurs what lies behind it, so the
    // frosting has to carry most of the opacity, or text over a busy desktop would not be
    // readable.
    Panel,
    // A control (button, chip, capsule, bar) on a window that is already opaque: a light
    // frosting is enough to lift it off the background.
    Control,
};

// Draws the surface into `rect` of any painter; `tintStrength` scales the tint's opacity.
// A radius larger than half the shorter side gives a capsule or a circle.
void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool dark,
           Material material = Material::Control, qreal tintStrength = 1.0);

} // namespace GlassSurface
