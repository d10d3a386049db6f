#include "widgets/velmliquidglasssurface.h"

#include "widgets/appcolors.h"
#include "widgets/liquidglassbackground.h"

#include <QPainter>
#include <QPainterPath>

VelmLiquidGlassSurface::VelmLiquidGlassSurface(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void VelmLiquidGlassSurface::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    update();
}

void VelmLiquidGlassSurface::setTintStrength(qreal strength)
{
    if (qFuzzyCompare(m_tintStrength, strength))
        return;
    m_tintStrength = strength;
    update();
}

void VelmLiquidGlassSurface::setUsesTint(bool uses)
{
    if (m_usesTint == uses)
        return;
    m_usesTint = uses;
    update();
}

void VelmLiquidGlassSurface::paint(QPainter &painter, const QRectF &rect, qreal cornerRadius,
                                   qreal tintStrength, bool usesTint, bool dark)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(cornerRadius, qMin(rect.width(), rect.height()) / 2);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    // Controls sit on windows that are already opaque, so a light frosting is enough to lift
    // them off the background.
    painter.fillPath(shape, dark ? QColor(255, 255, 255, 14) : QColor(255, 255, 255, 150));
    if (usesTint)
        painter.fillPath(shape, AppColors::glassTint(dark, tintStrength));
    QLinearGradient sheen(rect.topLeft(), rect.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, dark ? 18 : 60));
    sheen.setColorAt(0.5, QColor(255, 255, 255, 0));
    painter.fillPath(shape, sheen);
    painter.restore();
}

void VelmLiquidGlassSurface::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    // The scheme is the widget's own at drawing time; a palette that says nothing reads as
    // light, which is what AppColors::isDark gives for the default palette.
    paint(painter, rect(), m_cornerRadius, m_tintStrength, m_usesTint, AppColors::isDark(this));
}
