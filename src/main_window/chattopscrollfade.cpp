#include "main_window/chattopscrollfade.h"

#include "widgets/appcolors.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

ChatTopScrollFade::ChatTopScrollFade(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ChatTopScrollFade::setScrollOffset(int offset)
{
    offset = std::max(offset, 0);
    if (offset == m_scrollOffset)
        return;
    const bool repaint = std::min(offset, fadeDistance) != std::min(m_scrollOffset, fadeDistance);
    m_scrollOffset = offset;
    if (repaint)
        update();
}

qreal ChatTopScrollFade::strength() const
{
    return std::clamp(qreal(m_scrollOffset) / fadeDistance, 0.0, 1.0);
}

void ChatTopScrollFade::paintEvent(QPaintEvent *)
{
    const qreal shown = strength();
    if (shown <= 0)
        return;
    // The content's mask (clear, 25 %, 72 %, opaque) turned into a cover of the background.
    QColor background = AppColors::named(NamedColor::AppBackgroundStart, this);
    auto at = [&background, shown](qreal visible) {
        QColor color = background;
        color.setAlphaF(float((1 - visible) * shown));
        return color;
    };
    QLinearGradient gradient(0, 0, 0, fadeHeight);
    gradient.setColorAt(0, at(0));
    gradient.setColorAt(0.24, at(0.25));
    gradient.setColorAt(0.62, at(0.72));
    gradient.setColorAt(1, at(1));
    QPainter painter(this);
    painter.fillRect(QRect(0, 0, width(), fadeHeight), gradient);
}
