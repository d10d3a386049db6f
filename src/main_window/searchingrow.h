#pragma once

#include "main_window/activityrow.h"

// "Searching the web…" next to a globe that turns once every two seconds, while the web
// search of an answer runs.
class SearchingRow : public ActivityRow
{
    Q_OBJECT

public:
    explicit SearchingRow(QWidget *parent = nullptr);

    static constexpr int symbolSize = 13;

    QString text() const;

    // The globe's angle in degrees `seconds` after the row appeared.
    static qreal angle(qreal seconds);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
