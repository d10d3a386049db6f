#include "onboarding/onboardingthemechoice.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmotion.h"
#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int cardHeight = 54;
constexpr qreal cornerRadius = 11;
constexpr int padding = 11;
constexpr int tileSize = 32;
constexpr int symbolSize = 16;
constexpr int checkSize = 17;
const QString recommended = u"Recommended"_s;

QFont titleFont()
{
    return TypeStyles::face(u"Inter18pt-SemiBold", 13);
}

QFont detailFont()
{
    return TypeStyles::face(u"Inter18pt-Regular", 12);
}

QFont badgeFont()
{
    QFont font = TypeStyles::face(u"Inter18pt-SemiBold", 10);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.2);
    return font;
}

} // namespace

OnboardingThemeChoice::OnboardingThemeChoice(AppTheme theme, QWidget *parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_hover(new HoverAnimation(this, OnboardingMotion::hover()))
{
    setText(AppThemes::displayName(theme));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleDescription(description());
}

void OnboardingThemeChoice::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

QSize OnboardingThemeChoice::sizeHint() const
{
    return QSize(360, cardHeight);
}

void OnboardingThemeChoice::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);

    QColor fill = AppColors::mix(colors.surface, colors.primaryText, 0.03 * m_hover->progress());
    QColor edge = colors.hairline();
    if (m_selected) {
        fill = colors.accentTint;
        edge = colors.accent;
    }
    painter.setPen(QPen(edge, m_selected ? 1.5 : 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, cornerRadius, cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(OnboardingColors::faded(colors.accent, 0.6), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(2.5, 2.5, -2.5, -2.5), cornerRadius - 2,
                                cornerRadius - 2);
    }

    // The symbol's tile.
    const QRectF tile(padding, (height() - tileSize) / 2.0, tileSize, tileSize);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_selected ? OnboardingColors::faded(colors.accent, 0.22)
                                : OnboardingColors::faded(colors.primaryText, 0.06));
    painter.drawRoundedRect(tile, 8, 8);
    const QColor symbolColor = m_selected ? colors.strongAccent : colors.secondaryText;
    painter.drawPixmap(tile.center() - QPointF(symbolSize / 2.0, symbolSize / 2.0),
                       Symbols::pixmap(AppThemes::symbolName(m_theme), symbolSize, symbolColor,
                                       devicePixelRatioF(), Symbols::Weight::Medium));

    const qreal textLeft = tile.right() + 11;
    const qreal textRight = width() - padding - checkSize - 8;
    const QFontMetricsF titleMetrics(titleFont());
    const QFontMetricsF detailMetrics(detailFont());
    const qreal lineGap = 2;
    const qreal top = (height() - titleMetrics.height() - lineGap - detailMetrics.height()) / 2.0;
    painter.setFont(titleFont());
    painter.setPen(colors.primaryText);
    const qreal titleWidth = titleMetrics.horizontalAdvance(text());
    painter.drawText(QPointF(textLeft, top + titleMetrics.ascent()), text());
    if (isRecommended()) {
        const QFontMetricsF badgeMetrics(badgeFont());
        const QRectF badge(textLeft + titleWidth + 8,
                           top + (titleMetrics.height() - badgeMetrics.height() - 4) / 2.0,
                           badgeMetrics.horizontalAdvance(recommended) + 12,
                           badgeMetrics.height() + 4);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_selected ? OnboardingColors::faded(colors.accent, 0.25)
                                    : colors.accentTint);
        painter.drawRoundedRect(badge, badge.height() / 2, badge.height() / 2);
        painter.setFont(badgeFont());
        painter.setPen(colors.strongAccent);
        painter.drawText(badge, Qt::AlignCenter, recommended);
    }
    painter.setFont(detailFont());
    painter.setPen(colors.mutedText);
    const qreal detailTop = top + titleMetrics.height() + lineGap;
    painter.drawText(QPointF(textLeft, detailTop + detailMetrics.ascent()),
                     detailMetrics.elidedText(description(), Qt::ElideRight, textRight - textLeft));

    const QPointF checkAt(width() - padding - checkSize, (height() - checkSize) / 2.0);
    if (m_selected) {
        painter.drawPixmap(checkAt,
                           Symbols::pixmap(u"checkmark.circle.fill", checkSize, colors.accent,
                                           devicePixelRatioF(), Symbols::Weight::Semibold));
    } else {
        painter.setPen(QPen(OnboardingColors::faded(colors.mutedText, 0.45), 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(
            QRectF(checkAt, QSizeF(checkSize, checkSize)).adjusted(1.5, 1.5, -1.5, -1.5));
    }
}
