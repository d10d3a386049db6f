#pragma once

#include <QPointer>
#include <QWidget>

// The accent ring around a whole region while the keyboard is in it, for regions that draw
// no focus of their own (the conversation's scrolling view, the composer's field). It lies
// over its parent, lets the pointer through, and shows only while `watched` has the focus:
// a click that gives the focus does not draw it, as the keyboard does.
class FocusOutline : public QWidget
{
public:
    FocusOutline(QWidget *watched, QWidget *parent, qreal radius = 10, int inset = 2);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QPointer<QWidget> m_watched;
    qreal m_radius;
    int m_inset;
};
