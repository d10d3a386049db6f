#include "widgets/focusoutline.h"

#include "widgets/appcolors.h"

#include <QFocusEvent>
#include <QPainter>

FocusOutline::FocusOutline(QWidget *watched, QWidget *parent, qreal radius, int inset)
    : QWidget(parent)
    , m_watched(watched)
    , m_radius(radius)
    , m_inset(inset)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    parent->installEventFilter(this);
    watched->installEventFilter(this);
    setGeometry(parent->rect());
}

bool FocusOutline::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        setGeometry(parentWidget()->rect());
    } else if (watched == m_watched && event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::MouseFocusReason && reason != Qt::ActiveWindowFocusReason) {
            raise();
            show();
        }
    } else if (watched == m_watched && event->type() == QEvent::FocusOut) {
        hide();
    }
    return QWidget::eventFilter(watched, event);
}

void FocusOutline::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 2));
    painter.setBrush(Qt::NoBrush);
    const qreal edge = m_inset + 1;
    painter.drawRoundedRect(QRectF(rect()).adjusted(edge, edge, -edge, -edge), m_radius, m_radius);
}
