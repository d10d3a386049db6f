#pragma once

#include <QAbstractButton>

// An on/off switch: a capsule track with a round knob that slides to the right and takes
// the accent colour when on. Checkable; `toggled` says when the user (or the code) flips it.
class SettingsSwitch : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal knobPosition READ knobPosition WRITE setKnobPosition)

public:
    explicit SettingsSwitch(QWidget *parent = nullptr);

    // 0 off, 1 on; between the two while it moves.
    qreal knobPosition() const { return m_knobPosition; }
    void setKnobPosition(qreal position);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;

private:
    void moveKnob();

    qreal m_knobPosition = 0;
};
