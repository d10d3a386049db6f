#include "quickask/askcard.h"

#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"

#include <QPainter>
#include <QPainterPath>

AskCard::AskCard(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

void AskCard::setDark(bool dark)
{
    if (m_dark == dark)
        return;
    m_dark = dark;
    update();
}

void AskCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, bounds, cornerRadius, m_dark, GlassSurface::Material::Panel);

    QPainterPath shape;
    shape.addRoundedRect(bounds, cornerRadius, cornerRadius);
    QColor tint = AppColors::glassTint(m_dark, 1.0);
    tint.setAlphaF(tint.alphaF() * 0.82f);
    painter.fillPath(shape, tint);

    QColor outline = AppColors::primaryText(palette());
    outline.setAlphaF(0.1f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(outline, 1));
    painter.drawPath(shape);

    QLinearGradient sheen(bounds.topLeft(), bounds.bottomRight());
    sheen.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0.24f));
    sheen.setColorAt(0.5, QColor::fromRgbF(1, 1, 1, 0.08f));
    sheen.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.02f));
    painter.setPen(QPen(QBrush(sheen), 1));
    painter.drawPath(shape);
}
