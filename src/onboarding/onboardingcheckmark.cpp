#include "onboarding/onboardingcheckmark.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/animations.h"
#include "widgets/symbols.h"

#include <QPainter>
#include <QRadialGradient>

namespace {

constexpr int symbolSize = 26;
// The glow around the circle is drawn inside the widget, around the 64 px circle.
constexpr int haloMargin = 14;

} // namespace

OnboardingCheckmark::OnboardingCheckmark(QWidget *parent)
    : QWidget(parent)
{
    setFixedSize(sizeHint());
}

void OnboardingCheckmark::setCheckScale(qreal scale)
{
    m_scale = scale;
    update();
}

void OnboardingCheckmark::pop()
{
    setCheckScale(startScale);
    Animations::animate(this, "checkScale", 1.0, DampedSpring{0.45, 0.5});
}

QSize OnboardingCheckmark::sizeHint() const
{
    return QSize(diameter + 2 * haloMargin, diameter + 2 * haloMargin);
}

void OnboardingCheckmark::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    const bool dark = colors.cardBackground.lightnessF() < 0.5f;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(m_scale, m_scale);

    const qreal radius = diameter / 2.0;
    QRadialGradient halo(QPointF(), radius + haloMargin);
    halo.setColorAt(radius / (radius + haloMargin), OnboardingColors::faded(colors.accent, 0.3));
    halo.setColorAt(1, OnboardingColors::faded(colors.accent, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(halo);
    painter.drawEllipse(QPointF(), radius + haloMargin, radius + haloMargin);

    QLinearGradient fill(QPointF(0, -radius), QPointF(0, radius));
    fill.setColorAt(0, colors.accent.lighter(dark ? 108 : 115));
    fill.setColorAt(1, colors.strongAccent);
    painter.setBrush(dark ? QBrush(colors.accent) : QBrush(fill));
    painter.drawEllipse(QPointF(), radius, radius);
    painter.setPen(QPen(QColor(255, 255, 255, 60), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(), radius - 0.5, radius - 0.5);

    const QColor checkColor = dark ? colors.cardBackground : QColor(Qt::white);
    painter.drawPixmap(QPointF(-symbolSize / 2.0, -symbolSize / 2.0),
                       Symbols::pixmap(u"checkmark", symbolSize, checkColor,
                                       devicePixelRatioF() * qMax<qreal>(1, m_scale),
                                       Symbols::Weight::Bold));
}
