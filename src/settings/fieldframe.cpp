#include "settings/fieldframe.h"

#include "widgets/appcolors.h"

#include <QPainter>
#include <QWidget>

namespace FieldFrame {

QPalette palette(const QWidget *field)
{
    const QPalette window
        = field->parentWidget() ? field->parentWidget()->palette() : field->palette();
    QPalette own;
    own.setColor(QPalette::Base, Qt::transparent);
    own.setColor(QPalette::PlaceholderText, AppColors::secondaryText(window));
    return own;
}

void paint(QPainter *painter, const QRectF &rect, qreal radius, const QWidget *field)
{
    const bool dark = AppColors::isDark(field);
    const QColor fill = dark ? QColor(0x15, 0x16, 0x1b) : QColor(0xff, 0xff, 0xff);
    QColor border = AppColors::named(NamedColor::AskDialogStroke, dark);
    qreal borderWidth = 1;
    if (field->hasFocus()) {
        border = AppColors::named(NamedColor::AskAccent, dark);
        borderWidth = 1.5;
    }
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(border, borderWidth));
    painter->setBrush(fill);
    if (!field->isEnabled())
        painter->setOpacity(0.5);
    painter->drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter->restore();
}

} // namespace FieldFrame
