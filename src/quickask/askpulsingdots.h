#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

// Three dots whose opacity pulses one after the other: the Quick Ask bar waiting for the
// model. They only animate while shown.
class AskPulsingDots : public QWidget
{
    Q_OBJECT

public:
    static constexpr int dotCount = 3;
    static constexpr int dotSize = 6;
    static constexpr int dotSpacing = 5;

    explicit AskPulsingDots(QWidget *parent = nullptr);

    // The opacity of dot `index` `seconds` after the dots appeared: between 0.2 and 0.9,
    // easing in and out over 0.55 s and back, each dot 0.18 s behind the one before.
    static qreal dotOpacity(int index, qreal seconds);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    QElapsedTimer m_clock;
    QTimer m_frames;
};
