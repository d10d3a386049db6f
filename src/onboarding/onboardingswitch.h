#pragma once

#include <QAbstractButton>

// An on/off switch in the flow's colours: a capsule whose knob slides to the right and
// whose track takes the accent colour when on.
class OnboardingSwitch : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal knobPosition READ knobPosition WRITE setKnobPosition)

public:
    explicit OnboardingSwitch(QWidget *parent = nullptr);

    qreal knobPosition() const { return m_knob; }
    void setKnobPosition(qreal position);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;
    void nextCheckState() override;

private:
    qreal m_knob = 0;
};
