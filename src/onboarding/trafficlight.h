#pragma once

#include <QAbstractButton>

// One of the card's three window dots: red closes, yellow minimises, green zooms. The glyph
// of its action shows while the pointer is over it.
class TrafficLight : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Action { Close, Minimize, Zoom };

    explicit TrafficLight(Action action, QWidget *parent = nullptr);

    Action action() const { return m_action; }
    QColor color() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    Action m_action;
    bool m_hovered = false;
};
