#include "widgets/liquidglassbackground.h"

#include "widgets/appcolors.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

// The frosted base under the tint. The system material blurs what lies behind it; without
// a blur the base has to carry most of the opacity, or text over a busy desktop would not
// be readable.
QColor frostedBase(bool dark)
{
    return dark ? QColor::fromRgbF(0.085f, 0.09f, 0.11f, 0.86f)
                : QColor::fromRgbF(0.975f, 0.978f, 0.99f, 0.88f);
}

} // namespace

LiquidGlassBackground::LiquidGlassBackground(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void LiquidGlassBackground::setCornerRadius(qreal radius)
{
    if (qFuzzyCompare(m_cornerRadius, radius))
        return;
    m_cornerRadius = radius;
    update();
}

void LiquidGlassBackground::setTintStrength(qreal strength)
{
    if (qFuzzyCompare(m_tintStrength, strength))
        return;
    m_tintStrength = strength;
    update();
}

void LiquidGlassBackground::setDark(bool dark)
{
    if (m_dark == dark)
        return;
    m_dark = dark;
    update();
}

void LiquidGlassBackground::setFillsParent(bool fills)
{
    if (m_fillsParent == fills)
        return;
    m_fillsParent = fills;
    if (QWidget *parent = parentWidget()) {
        if (fills) {
            parent->installEventFilter(this);
            setGeometry(parent->rect());
            lower();
        } else {
            parent->removeEventFilter(this);
        }
    }
}

void LiquidGlassBackground::paint(QPainter &painter, const QRectF &rect, qreal cornerRadius,
                                  qreal tintStrength, bool dark)
{
    if (rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = qMin(cornerRadius, qMin(rect.width(), rect.height()) / 2);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.setPen(Qt::NoPen);
    painter.fillPath(shape, frostedBase(dark));
    painter.fillPath(shape, AppColors::glassTint(dark, tintStrength));

    // Light catching the upper edge, as on a pane of glass.
    QLinearGradient sheen(rect.topLeft(),
                          QPointF(rect.left(), rect.top() + qMin(rect.height(), 48.0)));
    sheen.setColorAt(0, QColor(255, 255, 255, dark ? 14 : 40));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillPath(shape, sheen);
    painter.restore();
}

void LiquidGlassBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), m_cornerRadius, m_tintStrength, m_dark);
}

bool LiquidGlassBackground::eventFilter(QObject *watched, QEvent *event)
{
    if (m_fillsParent && watched == parentWidget() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}
