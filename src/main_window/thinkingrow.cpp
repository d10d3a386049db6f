#include "main_window/thinkingrow.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"

#include <QEasingCurve>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal halfPeriod = 0.55;
constexpr qreal stagger = 0.18;
constexpr int rowHeight = 28;

} // namespace

ThinkingRow::ThinkingRow(QWidget *parent)
    : ActivityRow(parent)
{ }

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

void ThinkingRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppColors::secondaryText(palette()));
    const qreal seconds = elapsedSeconds().value_or(0);
    for (int index = 0; index < 3; ++index) {
        // Without animations the dots rest in their bright state.
        qreal value = 0;
        if (isAnimating())
            value = Animations::enabled() ? pulse(index, seconds) : 1;
        const qreal scale = 0.6 + 0.4 * value;
        painter.setOpacity(0.3 + 0.6 * value);
        const QPointF centre(dotSize / 2.0 + index * (dotSize + dotSpacing), height() / 2.0);
        const qreal radius = dotSize / 2.0 * scale;
        painter.drawEllipse(centre, radius, radius);
    }
}
