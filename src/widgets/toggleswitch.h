#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QRectF>

#include <functional>

// An on/off switch: a capsule track with a round white knob that slides to the right, the
// track turning from its off colour to the accent colour on the way. Checkable; `clicked`
// says the user flipped it, `toggled` any change. A change made while the switch is hidden
// (a stored value shown before the window opens) puts the knob in place without a slide.
class ToggleSwitch : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal knobPosition READ knobPosition WRITE setKnobPosition)

public:
    struct Colors
    {
        QColor off;
        QColor on;
        QColor focusRing;
    };

    // How the knob stands out from the track: a soft shadow below it, or a hairline round it.
    enum class KnobEdge : quint8 { Shadow, Hairline };

    struct Style
    {
        // The widget is the track plus `margin` on every side.
        QSizeF track{36, 20};
        qreal margin = 1;
        qreal knobInset = 2;
        KnobEdge knobEdge = KnobEdge::Shadow;
        // Asked at every paint, so the switch follows its window's appearance.
        std::function<Colors(const QWidget *)> colors;
    };

    // The app's own look: a translucent track that takes the Ask accent colour when on.
    static Style appStyle();

    explicit ToggleSwitch(QWidget *parent = nullptr);
    explicit ToggleSwitch(Style style, QWidget *parent = nullptr);

    // 0 off, 1 on; between the two while it moves.
    qreal knobPosition() const { return m_knobPosition; }
    void setKnobPosition(qreal position);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void checkStateSet() override;

private:
    void moveKnob();

    Style m_style;
    qreal m_knobPosition = 0;
};
