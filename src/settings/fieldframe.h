#pragma once

#include <QPalette>
#include <QRectF>

class QPainter;
class QWidget;

// The rounded frame the settings tabs' text fields draw themselves: a solid field with a
// hairline border that turns into the accent colour while the field has the focus.
namespace FieldFrame {

// The field's own palette: no base (the style's square background must not show) and the
// placeholder in the secondary colour of the window the field sits in.
QPalette palette(const QWidget *field);

// Draws the frame of `field` into `rect`, dimmed while the field is disabled.
void paint(QPainter *painter, const QRectF &rect, qreal radius, const QWidget *field);

} // namespace FieldFrame
