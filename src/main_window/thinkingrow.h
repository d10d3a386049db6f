#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QVariantAnimation;

// Three dots that pulse one after the other while the model has not yet sent the first piece
// of its answer. The pulse runs while the row is shown.
class ThinkingRow : public QWidget
{
    Q_OBJECT

public:
    explicit ThinkingRow(QWidget *parent = nullptr);

    static constexpr int dotSize = 6;
    static constexpr int dotSpacing = 5;

    bool isAnimating() const { return m_animating; }

    // How far dot `index` is into its pulse `seconds` after the row appeared: 0 small and
    // faint, 1 full and bright. Each dot eases in and out over 0.55 s, back and forth, the
    // second and third starting 0.18 s and 0.36 s after the first.
    static qreal pulse(int index, qreal seconds);

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_animating = false;
    QElapsedTimer m_clock;
    QVariantAnimation *m_ticker;
};
