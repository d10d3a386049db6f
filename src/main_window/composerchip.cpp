#include "main_window/composerchip.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>
#include <QtMath>

namespace {

constexpr int paddingX = 9;
constexpr int paddingY = 5;
constexpr int symbolSize = 12;
constexpr int symbolGap = 5;

} // namespace

ComposerChip::ComposerChip(int maxTextWidth, QWidget *parent)
    : QToolButton(parent)
    , m_maxTextWidth(maxTextWidth)
    , m_hover(new HoverAnimation(this, Animations::quickEase()))
{
    setPopupMode(QToolButton::InstantPopup);
    setFocusPolicy(Qt::TabFocus);
    setFont(TypeStyles::font(TypeStyle::Caption));
}

QSize ComposerChip::sizeHint() const
{
    const QFontMetrics metrics(font());
    // Rounded up, and a pixel more: the eliding below measures in fractions, and a label a
    // fraction wider than its rounded width would lose its middle for nothing.
    int textWidth = qCeil(QFontMetricsF(font()).horizontalAdvance(text())) + 1;
    if (m_maxTextWidth > 0)
        textWidth = qMin(textWidth, m_maxTextWidth);
    const int height = qMax(symbolSize, metrics.height()) + 2 * paddingY;
    return {paddingX + symbolSize + symbolGap + textWidth + paddingX, height};
}

void ComposerChip::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = chipColor();
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = bounds.height() / 2;

    QColor fill = color;
    const qreal emphasis = isDown() ? 1.0 : m_hover->progress();
    fill.setAlphaF(float((isEmphasised() ? 0.14 : 0.07) + 0.06 * emphasis));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, radius, radius);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 1.5));
        painter.drawRoundedRect(bounds.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    }

    const QRect symbolRect(paddingX, (height() - symbolSize) / 2, symbolSize, symbolSize);
    painter.drawPixmap(symbolRect,
                       Symbols::pixmap(chipSymbol(), symbolSize, color, devicePixelRatioF(),
                                       Symbols::Weight::Medium));
    painter.setPen(color);
    painter.setFont(font());
    const QRect textRect(symbolRect.right() + 1 + symbolGap, 0,
                         width() - symbolRect.right() - 1 - symbolGap - paddingX, height());
    const QString shown
        = QFontMetrics(font()).elidedText(text(), Qt::ElideMiddle, textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}
