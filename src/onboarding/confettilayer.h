#pragma once

#include <QColor>
#include <QList>
#include <QTimer>
#include <QUuid>
#include <QWidget>

// One piece of confetti: where it settles after the burst, as an offset from the layer's
// centre, and how it looks.
struct ConfettiParticle
{
    QUuid id;
    qreal x = 0;
    qreal y = 0;
    qreal size = 0;
    qreal opacity = 0;
    QColor color;
};

// The celebration over the done stage: a moment after start() 28 pieces burst out from the
// centre on a spring, and a little later fall 64 px while fading to a fifth of their
// opacity. Draws only; mouse events pass through it.
class ConfettiLayer : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal burstProgress READ burstProgress WRITE setBurstProgress)
    Q_PROPERTY(qreal fallProgress READ fallProgress WRITE setFallProgress)

public:
    static constexpr int particleCount = 28;
    static constexpr int burstDelayMs = 250;
    static constexpr int fallDelayMs = 900;
    static constexpr int fallMs = 700;
    static constexpr qreal fallDistance = 64;
    static constexpr qreal fadedOpacity = 0.2;

    explicit ConfettiLayer(QWidget *parent = nullptr);

    // Schedules the burst (and after it the fall); a burst already under way starts over.
    void start(bool dark);
    // Clears the pieces and cancels anything scheduled.
    void reset();

    // The pieces for an accent colour: on a circle of 28 steps, 44 to 88 px out, lifted
    // 16 px, 3 to 7 px large, 0.4 to 0.85 opaque, in the accent, the accent at 70 %,
    // #c4b5fd or #ddd6fe.
    static QList<ConfettiParticle> makeParticles(const QColor &accent);

    qreal burstProgress() const { return m_burst; }
    void setBurstProgress(qreal progress);
    qreal fallProgress() const { return m_fall; }
    void setFallProgress(qreal progress);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void burst();
    void fall();

    QList<ConfettiParticle> m_particles;
    QTimer m_burstTimer;
    QTimer m_fallTimer;
    QColor m_accent;
    qreal m_burst = 0;
    qreal m_fall = 0;
};
