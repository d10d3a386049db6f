#include "markdown/view/dividerview.h"

#include "widgets/appcolors.h"

#include <QPainter>

DividerView::DividerView(QWidget *parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(17);
}

void DividerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QColor rule = AppColors::primaryText(palette());
    rule.setAlphaF(0.16f);
    painter.fillRect(QRect(0, 8, width(), 1), rule);
}
