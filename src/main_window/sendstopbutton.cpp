#include "main_window/sendstopbutton.h"

#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 13;

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(float(color.alphaF() * alpha));
    return color;
}

} // namespace

SendStopButton::SendStopButton(QWidget *parent)
    : QAbstractButton(parent)
    , m_hover(new HoverAnimation(this, Animations::quickEase()))
{
    setFixedSize(diameter, diameter);
    setFocusPolicy(Qt::TabFocus);
    PressableButtonStyle::apply(this, 0.94, 0.85);
}

void SendStopButton::setStop(bool stop)
{
    if (m_stop == stop)
        return;
    m_stop = stop;
    update();
}

QString SendStopButton::symbolName() const
{
    return m_stop ? u"stop.fill"_s : u"arrow.up"_s;
}

void SendStopButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QColor primary = AppColors::primaryText(palette());
    const bool enabled = isEnabled();

    // The circle stands out from the composer's glass a step more under the pointer; a
    // disabled button keeps only a trace of it.
    QColor fill = AppColors::surface3(dark);
    if (!enabled)
        fill = withAlpha(fill, 0.45);
    else if (dark)
        fill = fill.lighter(100 + int(18 * m_hover->progress()));
    const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(circle);
    if (enabled && !dark && m_hover->progress() > 0) {
        painter.setBrush(withAlpha(primary, 0.06 * m_hover->progress()));
        painter.drawEllipse(circle);
    }
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 1.5));
        painter.drawEllipse(circle.adjusted(1, 1, -1, -1));
    }

    // Tertiary label colour while disabled.
    const QColor symbolColor = enabled ? primary : withAlpha(primary, 0.28);
    const QRect symbolRect((width() - symbolSize) / 2, (height() - symbolSize) / 2, symbolSize,
                           symbolSize);
    painter.drawPixmap(symbolRect,
                       Symbols::pixmap(symbolName(), symbolSize, symbolColor, devicePixelRatioF(),
                                       Symbols::Weight::Semibold));
}
