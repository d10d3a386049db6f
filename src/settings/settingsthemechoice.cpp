#include "settings/settingsthemechoice.h"

#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>
#include <QTextLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int padding = 12;
constexpr int symbolSize = 30;
constexpr int checkSize = 16;
constexpr qreal radius = 12;

QString recommendedText()
{
    return u"Recommended"_s;
}

} // namespace

SettingsThemeChoice::SettingsThemeChoice(AppTheme theme, QWidget *parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_hover(new HoverAnimation(this, Animations::hoverSpring()))
{
    setText(AppThemes::displayName(theme));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(text());
    setAccessibleDescription(AppThemes::description(theme));
    PressableButtonStyle::apply(this, 0.98, 0.9);
}

void SettingsThemeChoice::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    setAccessibleName(selected ? text() + u", selected"_s : text());
    update();
}

QSize SettingsThemeChoice::sizeHint() const
{
    return {150, 132};
}

QSize SettingsThemeChoice::minimumSizeHint() const
{
    return {120, 132};
}

void SettingsThemeChoice::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    const QColor accent = AppColors::named(NamedColor::AskAccent, dark);
    const QColor primary = AppColors::primaryText(palette());
    const QColor secondary = AppColors::secondaryText(palette());
    const qreal dpr = devicePixelRatioF();
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const qreal inset = m_selected ? 1.0 : 0.5;
    const QRectF card = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    QColor stroke = AppColors::named(NamedColor::AskDialogStroke, dark);
    if (m_selected)
        stroke = accent;
    painter.setPen(QPen(stroke, m_selected ? 2 : 1));
    painter.setBrush(AppColors::surface1(dark));
    painter.drawRoundedRect(card, radius, radius);
    if (m_selected) {
        QColor wash = accent;
        wash.setAlphaF(dark ? 0.1f : 0.06f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(wash);
        painter.drawRoundedRect(card, radius, radius);
    }
    if (m_hover->progress() > 0) {
        QColor hover = AppColors::named(NamedColor::AskBgHover, dark);
        hover.setAlphaF(hover.alphaF() * float(m_hover->bounded()) * 1.5f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hover);
        painter.drawRoundedRect(card, radius, radius);
    }
    if (hasFocus() && !m_selected) {
        QColor ring = accent;
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(card, radius, radius);
    }

    const QColor symbolColor = m_selected ? accent : primary;
    painter.drawPixmap(QPointF(padding, padding),
                       Symbols::pixmap(AppThemes::symbolName(m_theme), symbolSize, symbolColor, dpr,
                                       Symbols::Weight::Medium));
    if (m_selected) {
        painter.drawPixmap(QPointF(width() - padding - checkSize, padding),
                           Symbols::pixmap(u"checkmark.circle.fill", checkSize, accent, dpr,
                                           Symbols::Weight::Semibold));
    }

    qreal y = padding + symbolSize + 10;
    QFont nameFont = TypeStyles::font(TypeStyle::Label);
    nameFont.setWeight(QFont::DemiBold);
    painter.setFont(nameFont);
    painter.setPen(primary);
    const QFontMetricsF nameMetrics(nameFont);
    const qreal textWidth = width() - 2 * padding;
    painter.drawText(QRectF(padding, y, textWidth, nameMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());

    if (AppThemes::isRecommended(m_theme)) {
        QFont badgeFont = TypeStyles::font(TypeStyle::Overline);
        badgeFont.setPixelSize(10);
        const QFontMetricsF badgeMetrics(badgeFont);
        const qreal badgeWidth = badgeMetrics.horizontalAdvance(recommendedText()) + 12;
        const qreal badgeHeight = badgeMetrics.height() + 4;
        const qreal badgeX = padding + nameMetrics.horizontalAdvance(text()) + 7;
        const QRectF badge(qMin(badgeX, width() - padding - badgeWidth),
                           y + (nameMetrics.height() - badgeHeight) / 2, badgeWidth, badgeHeight);
        QColor badgeFill = accent;
        badgeFill.setAlphaF(dark ? 0.22f : 0.13f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(badgeFill);
        painter.drawRoundedRect(badge, badgeHeight / 2, badgeHeight / 2);
        painter.setPen(accent);
        painter.setFont(badgeFont);
        painter.drawText(badge, Qt::AlignCenter, recommendedText());
    }
    y += nameMetrics.height() + 4;

    const QFont captionFont = TypeStyles::font(TypeStyle::Caption);
    painter.setFont(captionFont);
    painter.setPen(secondary);
    painter.drawText(QRectF(padding, y, textWidth, height() - y - padding),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                     AppThemes::description(m_theme));
}
