#pragma once

#include <QAbstractButton>

class HoverAnimation;

// The round button at the trailing end of the composer: an arrow that sends, or a square
// that stops the answer while one is under way. What a click does is the composer's to
// decide; this only draws the two states.
class SendStopButton : public QAbstractButton
{
    Q_OBJECT

public:
    static constexpr int diameter = 30;

    explicit SendStopButton(QWidget *parent = nullptr);

    bool isStop() const { return m_stop; }
    void setStop(bool stop);
    QString symbolName() const;

    QSize sizeHint() const override { return {diameter, diameter}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_stop = false;
    HoverAnimation *m_hover;
};
