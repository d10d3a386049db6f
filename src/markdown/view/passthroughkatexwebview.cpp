#include "markdown/view/passthroughkatexwebview.h"

#include <QAbstractScrollArea>
#include <QChildEvent>
#include <QCoreApplication>
#include <QWheelEvent>

#include <cstdlib>

PassthroughKaTeXWebView::PassthroughKaTeXWebView(QWidget *parent)
    : QWebEngineView(parent)
{
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setFocusPolicy(Qt::NoFocus);
    installEventFilter(this);
}

bool PassthroughKaTeXWebView::passesOn(const QWheelEvent &event)
{
    const QPoint delta = event.angleDelta().isNull() ? event.pixelDelta() : event.angleDelta();
    return std::abs(delta.y()) >= std::abs(delta.x()) && !(event.modifiers() & Qt::ShiftModifier);
}

// Input reaches the page through a child widget the view creates with its page, so that is
// where the wheel events have to be caught.
bool PassthroughKaTeXWebView::event(QEvent *event)
{
    if (event->type() == QEvent::ChildAdded)
        watch(static_cast<QChildEvent *>(event)->child());
    return QWebEngineView::event(event);
}

void PassthroughKaTeXWebView::watch(QObject *child)
{
    if (auto *widget = qobject_cast<QWidget *>(child)) {
        widget->installEventFilter(this);
        widget->setAcceptDrops(false);
    }
}

bool PassthroughKaTeXWebView::eventFilter(QObject *watched, QEvent *event)
{
    // A formula is never magnified: pinch gestures stop here.
    if (event->type() == QEvent::NativeGesture)
        return true;
    // Nor a keyboard stop: the page would keep Tab inside it for good. Its TeX source is the
    // answer's text a screen reader reads. The page's widget asks for the focus as it is
    // made, after it is added here, so it is told again before it first shows.
    if (event->type() == QEvent::Polish || event->type() == QEvent::Show) {
        if (auto *widget = qobject_cast<QWidget *>(watched); widget && widget != this)
            widget->setFocusPolicy(Qt::NoFocus);
    }
    if (event->type() == QEvent::Wheel) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        auto *source = qobject_cast<QWidget *>(watched);
        if (source && passesOn(*wheel)) {
            passOn(source, wheel);
            return true;
        }
    }
    return QWebEngineView::eventFilter(watched, event);
}

void PassthroughKaTeXWebView::passOn(QWidget *source, QWheelEvent *event)
{
    // The nearest scroll area above the view takes it on its viewport, exactly as when the
    // pointer is over any other part of the chat; without one the parent gets it.
    QWidget *target = parentWidget();
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QAbstractScrollArea *>(ancestor)) {
            target = area->viewport();
            break;
        }
    }
    if (!target)
        return;
    const QPointF position = target->mapFromGlobal(source->mapToGlobal(event->position()));
    QWheelEvent copy(position, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                     event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                     event->source(), event->pointingDevice());
    QCoreApplication::sendEvent(target, &copy);
}
