#pragma once

class QAbstractButton;
class QPainter;
class QRectF;
class QWidget;

// What a painted button of the app does for the keyboard: Return or Enter presses it as Space
// does, and it is drawn again as it takes or loses the focus, so that its ring comes and goes.
namespace KeyboardButton {

// `button` keeps this for its life.
void install(QAbstractButton *button);

// The accent ring of a control with the keyboard focus, 1.5 pixels just inside `bounds`.
void paintFocusRing(QPainter &painter, const QRectF &bounds, qreal radius, const QWidget *widget);

} // namespace KeyboardButton
