#include "quickask/askpulsingdots.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"

#include <QEasingCurve>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal low = 0.2;
constexpr qreal high = 0.9;
constexpr qreal halfPeriod = 0.55;
constexpr qreal stagger = 0.18;

} // namespace

AskPulsingDots::AskPulsingDots(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_frames.setInterval(16);
    connect(&m_frames, &QTimer::timeout, this, qOverload<>(&QWidget::update));
}

qreal AskPulsingDots::dotOpacity(int index, qreal seconds)
{
    const qreal local = seconds - index * stagger;
    if (local <= 0)
        return low;
    // Forth in one half period, back in the next.
    const qreal phase = std::fmod(local, 2 * halfPeriod);
    const qreal progress = phase < halfPeriod ? phase / halfPeriod : 2 - phase / halfPeriod;
    static const QEasingCurve easeInOut(QEasingCurve::InOutQuad);
    return low + (high - low) * easeInOut.valueForProgress(progress);
}

QSize AskPulsingDots::sizeHint() const
{
    return {dotCount * dotSize + (dotCount - 1) * dotSpacing, dotSize};
}

void AskPulsingDots::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_clock.start();
    if (Animations::enabled())
        m_frames.start();
}

void AskPulsingDots::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_frames.stop();
}

void AskPulsingDots::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QColor colour = AppColors::secondaryText(palette());
    const qreal seconds
        = Animations::enabled() && m_clock.isValid() ? m_clock.elapsed() / 1000.0 : halfPeriod;
    const qreal top = (height() - dotSize) / 2.0;
    for (int i = 0; i < dotCount; ++i) {
        QColor dot = colour;
        dot.setAlphaF(colour.alphaF() * float(dotOpacity(i, seconds)));
        painter.setBrush(dot);
        painter.drawEllipse(QRectF(i * (dotSize + dotSpacing), top, dotSize, dotSize));
    }
}
