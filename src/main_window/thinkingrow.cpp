#include "main_window/thinkingrow.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"

#include <QEasingCurve>
#include <QPainter>
#include <QVariantAnimation>

#include <cmath>

namespace {

constexpr qreal halfPeriod = 0.55;
constexpr qreal stagger = 0.18;
constexpr int rowHeight = 28;

} // namespace

ThinkingRow::ThinkingRow(QWidget *parent)
    : QWidget(parent)
    , m_ticker(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Only a clock for repainting; the dots' phases come from the elapsed time.
    m_ticker->setStartValue(0.0);
    m_ticker->setEndValue(1.0);
    m_ticker->setDuration(1000);
    m_ticker->setLoopCount(-1);
    connect(m_ticker, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

qreal ThinkingRow::pulse(int index, qreal seconds)
{
    const qreal local = seconds - index * stagger;
    if (local <= 0)
        return 0;
    const qreal cycle = std::fmod(local, 2 * halfPeriod) / halfPeriod;
    const qreal progress = cycle <= 1 ? cycle : 2 - cycle;
    return QEasingCurve(QEasingCurve::InOutQuad).valueForProgress(progress);
}

QSize ThinkingRow::sizeHint() const
{
    return {3 * dotSize + 2 * dotSpacing, rowHeight};
}

void ThinkingRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_animating = true;
    m_clock.start();
    if (Animations::enabled())
        m_ticker->start();
}

void ThinkingRow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_ticker->stop();
}

void ThinkingRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppColors::secondaryText(palette()));
    const qreal seconds = m_clock.isValid() ? m_clock.elapsed() / 1000.0 : 0;
    for (int index = 0; index < 3; ++index) {
        // Without animations the dots rest in their bright state.
        qreal value = 0;
        if (m_animating)
            value = Animations::enabled() ? pulse(index, seconds) : 1;
        const qreal scale = 0.6 + 0.4 * value;
        painter.setOpacity(0.3 + 0.6 * value);
        const QPointF centre(dotSize / 2.0 + index * (dotSize + dotSpacing), height() / 2.0);
        const qreal radius = dotSize / 2.0 * scale;
        painter.drawEllipse(centre, radius, radius);
    }
}
