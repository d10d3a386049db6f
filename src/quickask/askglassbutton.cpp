#include "quickask/askglassbutton.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"

#include <QPainter>

#include <algorithm>

namespace {

constexpr qreal entryScale = 0.8;

} // namespace

AskGlassButton::AskGlassButton(const QString &symbol, int diameter, int symbolSize,
                               Symbols::Weight weight, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_diameter(diameter)
    , m_symbolSize(symbolSize)
    , m_weight(weight)
{
    setFixedSize(diameter, diameter);
    // Tab reaches it, as every control; a click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void AskGlassButton::setSymbol(const QString &symbol)
{
    if (symbol == m_symbol)
        return;
    m_symbol = symbol;
    update();
}

void AskGlassButton::setStyle(const Style &style)
{
    m_from = style;
    m_to = style;
    m_look = 1;
    update();
}

void AskGlassButton::animateToStyle(const Style &style)
{
    m_from = m_to;
    m_to = style;
    m_look = 0;
    Animations::animate(this, "look", 1.0, Animations::sendButtonEase());
    update();
}

void AskGlassButton::setLook(qreal look)
{
    m_look = look;
    update();
}

void AskGlassButton::setPresence(qreal presence)
{
    m_presence = presence;
    update();
}

void AskGlassButton::enter()
{
    setPresence(0);
    Animations::animate(this, "presence", 1.0, Animations::hoverSpring());
}

QSize AskGlassButton::sizeHint() const
{
    return {m_diameter, m_diameter};
}

QColor AskGlassButton::toneColor(const Style &style) const
{
    QColor color;
    switch (style.tone) {
    case Tone::Primary:
        color = AppColors::primaryText(palette());
        break;
    case Tone::Secondary:
        color = AppColors::secondaryText(palette());
        break;
    case Tone::Accent:
        color = AppColors::named(NamedColor::AskAccent, this);
        break;
    }
    color.setAlphaF(color.alphaF() * float(style.toneOpacity));
    return color;
}

void AskGlassButton::paintEvent(QPaintEvent *)
{
    const qreal t = std::clamp(m_look, 0.0, 1.0);
    const qreal tint = m_from.tintStrength + (m_to.tintStrength - m_from.tintStrength) * t;
    const qreal outline = m_from.outlineOpacity + (m_to.outlineOpacity - m_from.outlineOpacity) * t;
    const QColor symbolColor = AppColors::mix(toneColor(m_from), toneColor(m_to), t);
    const bool dark = AppColors::isDark(this);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!qFuzzyCompare(m_presence, 1.0)) {
        // The spring overshoots; only the scale follows it past the end.
        painter.setOpacity(std::clamp(m_presence, 0.0, 1.0));
        const qreal scale = entryScale + (1 - entryScale) * m_presence;
        const QPointF centre = QRectF(rect()).center();
        painter.translate(centre);
        painter.scale(scale, scale);
        painter.translate(-centre);
    }
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, circle, m_diameter / 2.0, dark, GlassSurface::Material::Control,
                        tint);
    QColor stroke = AppColors::primaryText(palette());
    stroke.setAlphaF(float(outline));
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(circle);
    if (hasFocus()) {
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 2));
        painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
    }

    const QPixmap icon
        = Symbols::pixmap(m_symbol, m_symbolSize, symbolColor, devicePixelRatioF(), m_weight);
    const QSizeF iconSize = icon.deviceIndependentSize();
    painter.drawPixmap(
        QPointF((width() - iconSize.width()) / 2, (height() - iconSize.height()) / 2), icon);
}
