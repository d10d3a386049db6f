#include "quickask/askbackdropview.h"

#include "widgets/appcolors.h"

#include <QPainter>
#include <QRadialGradient>

AskBackdropView::AskBackdropView(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void AskBackdropView::setDark(bool dark)
{
    if (m_dark == dark)
        return;
    m_dark = dark;
    update();
}

void AskBackdropView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setOpacity(opacity);
    const QRectF area = rect();
    const auto at = [&area](qreal x, qreal y) {
        return QPointF(area.left() + x * area.width(), area.top() + y * area.height());
    };

    QLinearGradient base(at(0.08, 0), at(0.92, 1));
    base.setColorAt(0, AppColors::named(NamedColor::AskBackdropStart, m_dark));
    base.setColorAt(0.5, AppColors::named(NamedColor::AskBackdropMid, m_dark));
    base.setColorAt(1, AppColors::named(NamedColor::AskBackdropEnd, m_dark));
    painter.fillRect(area, base);

    const auto cloud = [&](NamedColor color, QPointF centre, qreal radius) {
        QRadialGradient gradient(centre, radius);
        const QColor inner = AppColors::named(color, m_dark);
        QColor outer = inner;
        outer.setAlpha(0);
        gradient.setColorAt(0, inner);
        gradient.setColorAt(1, outer);
        painter.fillRect(area, gradient);
    };
    cloud(NamedColor::AskBackdropCloud, at(0.12, -0.1), 700);
    cloud(NamedColor::AskBackdropWash, at(1, 0), 600);
}
