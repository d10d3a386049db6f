#pragma once

#include <QWebEngineView>

class QWheelEvent;

// The web view of a math block. It never takes the chat's scroll gestures: a wheel event
// that is mostly vertical and made without Shift goes to the enclosing scroll area as if
// the view were not there. Horizontal scrolling, or any scrolling with Shift held, stays
// with the page, where it moves a wide display formula sideways. The page cannot be zoomed:
// Control with the wheel scrolls the chat, and pinch gestures are dropped.
class PassthroughKaTeXWebView : public QWebEngineView
{
    Q_OBJECT

public:
    explicit PassthroughKaTeXWebView(QWidget *parent = nullptr);

    static bool passesOn(const QWheelEvent &event);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QObject *child);
    void passOn(QWidget *source, QWheelEvent *event);
};
