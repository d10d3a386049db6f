#include "widgets/glasssurface.h"

#include "widgets/appcolors.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace GlassSurface {

namespace {

QColor frosting(Material material, bool dark)
{
    if (material == Material::Panel)
        return dark ? QColor::fromRgbF(0.085f, 0.09f, 0.11f, 0.86f)
                    : QColor::fromRgbF(0.975f, 0.978f, 0.99f, 0.88f);
    return dark ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 150);
}

// A panel catches the light in a band along its top; a control, small as it is, over its
// upper half.
QLinearGradient sheen(Material material, const QRectF &rect, bool dark)
{
    if (material == Material::Panel) {
        QLinearGradient sheen(rect.topLeft(),
                              QPointF(rect.left(), rect.top() + qMin(rect.height(), 48.0)));
        sheen.setColorAt(0, QColor(255, 255, 255, dark ? 14 : 40));
        sheen.setColorAt(1, QColor(255, 255, 255, 0));
        return sheen;
    }
    QLinearGradient sheen(rect.topLeft(), rect.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, dark ? 18 : 60));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    return sheen;
}

} // namespace

void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, bool dark, Material material,
           qreal tintStrength)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(cornerRadius, qMin(rect.width(), rect.height()) / 2);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, frosting(material, dark));
    painter.fillPath(shape, AppColors::glassTint(dark, tintStrength));
    painter.fillPath(shape, sheen(material, rect, dark));
    painter.restore();
}

} // namespace GlassSurface
