#pragma once

#include <QWidget>

// The done stage's badge: a 64 px circle holding a 26 px check, which pops in on a spring
// from 0.4 of its size.
class OnboardingCheckmark : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal checkScale READ checkScale WRITE setCheckScale)

public:
    static constexpr int diameter = 64;
    static constexpr qreal startScale = 0.4;

    explicit OnboardingCheckmark(QWidget *parent = nullptr);

    qreal checkScale() const { return m_scale; }
    void setCheckScale(qreal scale);
    // Back to 0.4, then springs to 1.
    void pop();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_scale = startScale;
};
