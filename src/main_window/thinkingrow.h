#pragma once

#include "main_window/activityrow.h"

// Three dots that pulse one after the other while the model has not yet sent the first piece
// of its answer.
class ThinkingRow : public ActivityRow
{
    Q_OBJECT

public:
    explicit ThinkingRow(QWidget *parent = nullptr);

    static constexpr int dotSize = 6;
    static constexpr int dotSpacing = 5;

    // How far dot `index` is into its pulse `seconds` after the row appeared: 0 small and
    // faint, 1 full and bright. Each dot eases in and out over 0.55 s, back and forth, the
    // second and third starting 0.18 s and 0.36 s after the first.
    static qreal pulse(int index, qreal seconds);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
