#include "onboarding/onboardingbutton.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmotion.h"
#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QFocusEvent>
#include <QPainter>

namespace {

constexpr int buttonHeight = 36;
constexpr qreal cornerRadius = 10;
constexpr int accentPadding = 18;
constexpr int ghostPadding = 12;
constexpr int iconGap = 7;
constexpr qreal hoverGrowth = 0.02;
// Room for the hovered accent button to grow without being clipped.
constexpr int growthMargin = 3;

} // namespace

OnboardingButton::OnboardingButton(Kind kind, QWidget *parent)
    : QAbstractButton(parent)
    , m_kind(kind)
    , m_hover(new HoverAnimation(this, OnboardingMotion::hover()))
{
    setFont(
        TypeStyles::face(kind == Kind::Accent ? u"Inter18pt-SemiBold" : u"Inter18pt-Medium", 13));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(kind == Kind::Accent ? Qt::StrongFocus : Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void OnboardingButton::setTrailingIcon(const QString &icon)
{
    if (m_icon == icon)
        return;
    m_icon = icon;
    updateGeometry();
    update();
}

qreal OnboardingButton::drawnScale() const
{
    if (m_kind != Kind::Accent || !isEnabled())
        return 1.0;
    return 1.0 + hoverGrowth * m_hover->progress();
}

int OnboardingButton::contentWidth() const
{
    const QFontMetrics metrics = fontMetrics();
    int width = metrics.horizontalAdvance(text());
    if (!m_icon.isEmpty())
        width += iconGap + metrics.horizontalAdvance(m_icon);
    return width;
}

QSize OnboardingButton::sizeHint() const
{
    const int padding = m_kind == Kind::Accent ? accentPadding : ghostPadding;
    return QSize(contentWidth() + 2 * padding + 2 * growthMargin + 1,
                 buttonHeight + 2 * growthMargin);
}

QSize OnboardingButton::minimumSizeHint() const
{
    return sizeHint();
}

void OnboardingButton::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    const bool dark = colors.cardBackground.lightnessF() < 0.5f;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box
        = QRectF(rect()).adjusted(growthMargin, growthMargin, -growthMargin, -growthMargin);
    const qreal scale = drawnScale();
    painter.translate(box.center());
    painter.scale(scale, scale);
    painter.translate(-box.center());
    if (!isEnabled())
        painter.setOpacity(0.4);

    QColor content;
    if (m_kind == Kind::Accent) {
        QColor fill = colors.accent;
        if (isEnabled())
            fill = AppColors::mix(fill, dark ? QColor(Qt::white) : colors.strongAccent,
                                  (isDown() ? 0.2 : 0.1) * m_hover->progress());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(box, cornerRadius, cornerRadius);
        // A light top edge gives the fill a little depth.
        painter.setPen(QPen(QColor(255, 255, 255, dark ? 40 : 55), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                                cornerRadius - 0.5);
        content = dark ? colors.cardBackground : QColor(Qt::white);
        if (m_keyboardFocus && hasFocus() && isEnabled()) {
            painter.setPen(QPen(OnboardingColors::faded(colors.accent, 0.35), 2));
            painter.drawRoundedRect(box.adjusted(-1.5, -1.5, 1.5, 1.5), cornerRadius + 1.5,
                                    cornerRadius + 1.5);
        }
    } else {
        const bool focused = m_keyboardFocus && hasFocus();
        if (m_hover->progress() > 0 || focused) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(
                OnboardingColors::faded(colors.surface, focused ? 1.0 : m_hover->progress()));
            painter.drawRoundedRect(box, cornerRadius, cornerRadius);
        }
        content = AppColors::mix(colors.mutedText, colors.primaryText, m_hover->progress());
    }

    const QFontMetricsF metrics(font());
    const qreal textWidth = metrics.horizontalAdvance(text());
    const qreal left = box.center().x() - contentWidth() / 2.0;
    painter.setPen(content);
    painter.drawText(QRectF(left, box.top(), textWidth + 1, box.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
    if (!m_icon.isEmpty())
        painter.drawText(QRectF(left + textWidth + iconGap, box.top(),
                                metrics.horizontalAdvance(m_icon) + 1, box.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, m_icon);
}

void OnboardingButton::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void OnboardingButton::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    m_keyboardFocus
        = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    update();
}

void OnboardingButton::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    m_keyboardFocus = false;
    update();
}
