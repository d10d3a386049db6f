#include "main_window/velmchatbackground.h"

#include "widgets/appcolors.h"

#include <QLinearGradient>
#include <QPainter>

VelmChatBackground::VelmChatBackground(QWidget *parent)
    : QWidget(parent)
{
    // Every pixel is painted, so Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void VelmChatBackground::paint(QPainter &painter, const QRectF &rect, bool dark)
{
    // Mostly vertical with a slight lean, so a wide window does not look banded from side
    // to side and a tall one still turns a little.
    QLinearGradient gradient(rect.left() + 0.1 * rect.width(), rect.top(),
                             rect.left() + 0.9 * rect.width(), rect.bottom());
    gradient.setColorAt(0, AppColors::named(NamedColor::AppBackgroundStart, dark));
    gradient.setColorAt(1, AppColors::named(NamedColor::AppBackgroundEnd, dark));
    painter.fillRect(rect, gradient);
}

void VelmChatBackground::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter, rect(), AppColors::isDark(this));
}
