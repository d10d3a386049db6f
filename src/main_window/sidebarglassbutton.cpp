#include "main_window/sidebarglassbutton.h"

#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/hoveranimation.h"
#include "widgets/typestyles.h"

#include <QPainter>

namespace {

constexpr int buttonHeight = 30;
constexpr int cornerRadius = 10;
constexpr int horizontalPadding = 12;
constexpr int symbolTextGap = 7;
// Tint strength under the pointer, as the glass rows of the new-chat screen.
constexpr qreal hoveredTint = 1.14;

} // namespace

SidebarGlassButton::SidebarGlassButton(const QString &symbol, const QString &text, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_hover(new HoverAnimation(this, Animations::quickEase()))
{
    setText(text);
    setFont(TypeStyles::font(TypeStyle::Label));
    setCursor(Qt::PointingHandCursor);
    // Tab reaches it; a click must not take the keyboard from the composer.
    setFocusPolicy(Qt::TabFocus);
}

void SidebarGlassButton::setSymbolSize(int size)
{
    m_symbolSize = size;
    updateGeometry();
    update();
}

void SidebarGlassButton::setSymbolWeight(Symbols::Weight weight)
{
    m_symbolWeight = weight;
    update();
}

void SidebarGlassButton::setSecondarySymbol(bool secondary)
{
    m_secondarySymbol = secondary;
    update();
}

QSize SidebarGlassButton::sizeHint() const
{
    if (text().isEmpty())
        return QSize(buttonHeight, buttonHeight);
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return QSize(2 * horizontalPadding + m_symbolSize + symbolTextGap + textWidth, buttonHeight);
}

QSize SidebarGlassButton::minimumSizeHint() const
{
    return sizeHint();
}

void SidebarGlassButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QRectF surface = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, surface, cornerRadius, dark, GlassSurface::Material::Control,
                        1.0 + (hoveredTint - 1.0) * m_hover->progress());
    // A hairline edge keeps the light glass from dissolving into the pale column.
    painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(surface, cornerRadius, cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 2));
        painter.drawRoundedRect(surface.adjusted(1, 1, -1, -1), cornerRadius - 1, cornerRadius - 1);
    }

    const QColor primary = AppColors::primaryText(palette());
    const QColor symbolColor = m_secondarySymbol ? AppColors::secondaryText(palette()) : primary;
    const QPixmap symbol
        = Symbols::pixmap(m_symbol, m_symbolSize, symbolColor, devicePixelRatioF(), m_symbolWeight);
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const int contentWidth = m_symbolSize + (textWidth > 0 ? symbolTextGap + textWidth : 0);
    const int x = (width() - contentWidth) / 2;
    painter.drawPixmap(QPointF(x, (height() - m_symbolSize) / 2.0), symbol);
    if (textWidth > 0) {
        painter.setPen(primary);
        painter.drawText(QRect(x + m_symbolSize + symbolTextGap, 0, textWidth + 1, height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text());
    }
}
