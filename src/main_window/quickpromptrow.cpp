#include "main_window/quickpromptrow.h"

#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/hoveranimation.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>

namespace {

constexpr int rowMinimumHeight = 42;
constexpr int insetX = 10;
constexpr int insetY = 4;
constexpr int spacing = 8;
constexpr int iconFrame = 20;
constexpr int symbolSize = 12;
constexpr int chevronSize = 11;
constexpr int cornerRadius = 8;
constexpr qreal textGap = 1;

QColor tertiary(const QPalette &palette)
{
    QColor color = AppColors::primaryText(palette);
    color.setAlphaF(0.3f);
    return color;
}

} // namespace

QuickPromptRow::QuickPromptRow(const QuickPrompt &prompt, QWidget *parent)
    : QAbstractButton(parent)
    , m_prompt(prompt)
    , m_hover(new HoverAnimation(this, Animations::hoverSpring()))
{
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setText(prompt.label);
    setAccessibleName(prompt.label);
    setAccessibleDescription(prompt.detail);
}

QSize QuickPromptRow::sizeHint() const
{
    const QFontMetrics label(TypeStyles::font(TypeStyle::Label));
    const QFontMetrics detail(TypeStyles::font(TypeStyle::Caption));
    const int textWidth
        = qMax(label.horizontalAdvance(m_prompt.label), detail.horizontalAdvance(m_prompt.detail));
    const int height = qMax(rowMinimumHeight, insetY * 2 + label.height() + detail.height() + 1);
    return {insetX * 2 + iconFrame + spacing + textWidth + spacing + chevronSize + 2, height};
}

QSize QuickPromptRow::minimumSizeHint() const
{
    return {insetX * 2 + iconFrame + spacing * 2 + chevronSize + 40, sizeHint().height()};
}

void QuickPromptRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QPalette &colors = palette();
    const qreal hover = m_hover->progress();
    const qreal dpr = devicePixelRatioF();

    GlassSurface::paint(painter, QRectF(rect()), cornerRadius, dark,
                        GlassSurface::Material::Control, 1.0 + 0.14 * hover);
    // A hairline gives the row an edge where the glass is close to the background's tone.
    painter.setPen(QPen(dark ? QColor(255, 255, 255, 16) : QColor(0, 0, 0, 14), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius,
                            cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius,
                                cornerRadius);
    }

    const int centerY = height() / 2;
    const QColor iconColor = AppColors::mix(AppColors::secondaryText(colors),
                                            AppColors::named(NamedColor::AskAccent, this), hover);
    const QRect iconRect(insetX + (iconFrame - symbolSize) / 2, centerY - symbolSize / 2,
                         symbolSize, symbolSize);
    painter.drawPixmap(
        iconRect,
        Symbols::pixmap(m_prompt.icon, symbolSize, iconColor, dpr, Symbols::Weight::Medium));

    // The chevron brightens and steps towards the edge under the pointer.
    const qreal chevronX = width() - insetX - chevronSize - 2 + 2 * hover;
    painter.save();
    painter.setOpacity(0.45 + 0.45 * hover);
    painter.drawPixmap(QPointF(chevronX, centerY - chevronSize / 2.0),
                       Symbols::pixmap(u"chevron.right", chevronSize, tertiary(colors), dpr,
                                       Symbols::Weight::Semibold));
    painter.restore();

    const QFont labelFont = TypeStyles::font(TypeStyle::Label);
    const QFont detailFont = TypeStyles::font(TypeStyle::Caption);
    const QFontMetricsF labelMetrics(labelFont);
    const QFontMetricsF detailMetrics(detailFont);
    const qreal textX = insetX + iconFrame + spacing;
    const qreal textWidth = qMax(0.0, chevronX - spacing - textX);
    const qreal textHeight = labelMetrics.height() + textGap + detailMetrics.height();
    qreal y = (height() - textHeight) / 2;

    painter.setFont(labelFont);
    painter.setPen(AppColors::primaryText(colors));
    painter.drawText(QPointF(textX, y + labelMetrics.ascent()),
                     labelMetrics.elidedText(m_prompt.label, Qt::ElideRight, textWidth));
    y += labelMetrics.height() + textGap;
    painter.setFont(detailFont);
    painter.setPen(AppColors::secondaryText(colors));
    painter.drawText(QPointF(textX, y + detailMetrics.ascent()),
                     detailMetrics.elidedText(m_prompt.detail, Qt::ElideRight, textWidth));
}
