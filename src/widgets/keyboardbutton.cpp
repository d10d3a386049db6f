#include "widgets/keyboardbutton.h"

#include "widgets/appcolors.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPainter>

namespace KeyboardButton {

namespace {

class Keys : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *button = static_cast<QAbstractButton *>(watched);
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto *key = static_cast<QKeyEvent *>(event);
            if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && key->modifiers() == Qt::NoModifier) {
                button->click();
                return true;
            }
            break;
        }
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            button->update();
            break;
        default:
            break;
        }
        return false;
    }
};

} // namespace

void install(QAbstractButton *button)
{
    static Keys keys;
    button->installEventFilter(&keys);
}

void paintFocusRing(QPainter &painter, const QRectF &bounds, qreal radius, const QWidget *widget)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, widget), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds.adjusted(0.75, 0.75, -0.75, -0.75), radius, radius);
    painter.restore();
}

} // namespace KeyboardButton
