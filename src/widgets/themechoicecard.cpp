#include "widgets/themechoicecard.h"

#include "widgets/appcolors.h"
#include "widgets/symbols.h"

#include <QCoreApplication>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

QString recommendedText()
{
    return QCoreApplication::translate("ThemeChoiceCard", "Recommended");
}

QColor faded(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * float(opacity));
    return color;
}

} // namespace

ThemeChoiceCard::ThemeChoiceCard(AppTheme theme, const Look &look, QWidget *parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_look(look)
    , m_hover(new HoverAnimation(this, look.hover))
{
    setText(AppThemes::displayName(theme));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(text());
    setAccessibleDescription(description());
}

void ThemeChoiceCard::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    //: Read by screen readers after the theme's name
    setAccessibleName(selected ? tr("%1, selected").arg(text()) : text());
    update();
}

QSize ThemeChoiceCard::minimumSizeHint() const
{
    return m_look.minimumSizeHint.isValid() ? m_look.minimumSizeHint
                                            : QAbstractButton::minimumSizeHint();
}

void ThemeChoiceCard::paintEvent(QPaintEvent *)
{
    const Colors colors = m_look.colors(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_look.arrangement == Arrangement::Row)
        paintRow(painter, colors);
    else
        paintTile(painter, colors);
}

void ThemeChoiceCard::paintBadge(QPainter &painter, const QRectF &badge, const QColor &fill,
                                 const Colors &colors)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(badge, badge.height() / 2, badge.height() / 2);
    painter.setFont(m_look.badgeFont);
    painter.setPen(colors.accentText);
    painter.drawText(badge, Qt::AlignCenter, recommendedText());
}

void ThemeChoiceCard::paintRow(QPainter &painter, const Colors &colors)
{
    constexpr qreal cornerRadius = 11;
    constexpr int padding = 11;
    constexpr int tileSize = 32;
    constexpr int symbolSize = 16;
    constexpr int checkSize = 17;
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);

    QColor fill = AppColors::mix(colors.surface, colors.hovered, 0.03 * m_hover->progress());
    QColor edge = colors.edge;
    if (m_selected) {
        fill = colors.chosen;
        edge = colors.accent;
    }
    painter.setPen(QPen(edge, m_selected ? 1.5 : 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, cornerRadius, cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(faded(colors.accent, 0.6), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(2.5, 2.5, -2.5, -2.5), cornerRadius - 2,
                                cornerRadius - 2);
    }

    // The symbol's tile.
    const QRectF tile(padding, (height() - tileSize) / 2.0, tileSize, tileSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_selected ? faded(colors.accent, 0.22) : faded(colors.name, 0.06));
    painter.drawRoundedRect(tile, 8, 8);
    const QColor symbolColor = m_selected ? colors.accentText : colors.symbol;
    painter.drawPixmap(tile.center() - QPointF(symbolSize / 2.0, symbolSize / 2.0),
                       Symbols::pixmap(AppThemes::symbolName(m_theme), symbolSize, symbolColor,
                                       devicePixelRatioF(), Symbols::Weight::Medium));

    const qreal textLeft = tile.right() + 11;
    const qreal textRight = width() - padding - checkSize - 8;
    const QFontMetricsF titleMetrics(m_look.nameFont);
    const QFontMetricsF detailMetrics(m_look.detailFont);
    const qreal lineGap = 2;
    const qreal top = (height() - titleMetrics.height() - lineGap - detailMetrics.height()) / 2.0;
    painter.setFont(m_look.nameFont);
    painter.setPen(colors.name);
    const qreal titleWidth = titleMetrics.horizontalAdvance(text());
    painter.drawText(QPointF(textLeft, top + titleMetrics.ascent()), text());
    if (isRecommended()) {
        const QFontMetricsF badgeMetrics(m_look.badgeFont);
        const QRectF badge(textLeft + titleWidth + 8,
                           top + (titleMetrics.height() - badgeMetrics.height() - 4) / 2.0,
                           badgeMetrics.horizontalAdvance(recommendedText()) + 12,
                           badgeMetrics.height() + 4);
        paintBadge(painter, badge, m_selected ? faded(colors.accent, 0.25) : colors.badge, colors);
    }
    painter.setFont(m_look.detailFont);
    painter.setPen(colors.detail);
    const qreal detailTop = top + titleMetrics.height() + lineGap;
    painter.drawText(QPointF(textLeft, detailTop + detailMetrics.ascent()),
                     detailMetrics.elidedText(description(), Qt::ElideRight, textRight - textLeft));

    const QPointF checkAt(width() - padding - checkSize, (height() - checkSize) / 2.0);
    if (m_selected) {
        painter.drawPixmap(checkAt,
                           Symbols::pixmap(u"checkmark.circle.fill", checkSize, colors.accent,
                                           devicePixelRatioF(), Symbols::Weight::Semibold));
    } else {
        painter.setPen(QPen(faded(colors.detail, 0.45), 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(
            QRectF(checkAt, QSizeF(checkSize, checkSize)).adjusted(1.5, 1.5, -1.5, -1.5));
    }
}

void ThemeChoiceCard::paintTile(QPainter &painter, const Colors &colors)
{
    constexpr qreal radius = 12;
    constexpr int padding = 12;
    constexpr int symbolSize = 30;
    constexpr int checkSize = 16;
    const qreal dpr = devicePixelRatioF();

    const qreal inset = m_selected ? 1.0 : 0.5;
    const QRectF card = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(m_selected ? colors.accent : colors.edge, m_selected ? 2 : 1));
    painter.setBrush(colors.surface);
    painter.drawRoundedRect(card, radius, radius);
    if (m_selected) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(colors.chosen);
        painter.drawRoundedRect(card, radius, radius);
    }
    if (m_hover->progress() > 0) {
        QColor hover = colors.hovered;
        hover.setAlphaF(hover.alphaF() * float(m_hover->bounded()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(hover);
        painter.drawRoundedRect(card, radius, radius);
    }
    if (hasFocus() && !m_selected) {
        QColor ring = colors.accent;
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(card, radius, radius);
    } else if (hasFocus()) {
        // The chosen card already wears the accent edge: the focus adds a second ring
        // inside it, so that the keyboard's place still shows.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(colors.accent, 1.5));
        painter.drawRoundedRect(card.adjusted(3.5, 3.5, -3.5, -3.5), radius - 3, radius - 3);
    }

    const QColor symbolColor = m_selected ? colors.accentText : colors.symbol;
    painter.drawPixmap(QPointF(padding, padding),
                       Symbols::pixmap(AppThemes::symbolName(m_theme), symbolSize, symbolColor, dpr,
                                       Symbols::Weight::Medium));
    if (m_selected) {
        painter.drawPixmap(QPointF(width() - padding - checkSize, padding),
                           Symbols::pixmap(u"checkmark.circle.fill", checkSize, colors.accent, dpr,
                                           Symbols::Weight::Semibold));
    }

    qreal y = padding + symbolSize + 10;
    painter.setFont(m_look.nameFont);
    painter.setPen(colors.name);
    const QFontMetricsF nameMetrics(m_look.nameFont);
    const qreal textWidth = width() - 2 * padding;
    painter.drawText(QRectF(padding, y, textWidth, nameMetrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());

    if (isRecommended()) {
        const QFontMetricsF badgeMetrics(m_look.badgeFont);
        const qreal badgeWidth = badgeMetrics.horizontalAdvance(recommendedText()) + 12;
        const qreal badgeHeight = badgeMetrics.height() + 4;
        const qreal badgeX = padding + nameMetrics.horizontalAdvance(text()) + 7;
        const QRectF badge(qMin(badgeX, width() - padding - badgeWidth),
                           y + (nameMetrics.height() - badgeHeight) / 2, badgeWidth, badgeHeight);
        paintBadge(painter, badge, colors.badge, colors);
    }
    y += nameMetrics.height() + 4;

    painter.setFont(m_look.detailFont);
    painter.setPen(colors.detail);
    painter.drawText(QRectF(padding, y, textWidth, height() - y - padding),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, description());
}
