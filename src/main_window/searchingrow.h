#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QVariantAnimation;

// "Searching the web…" next to a globe that turns once every two seconds, while the web
// search of an answer runs. The globe turns while the row is shown.
class SearchingRow : public QWidget
{
    Q_OBJECT

public:
    explicit SearchingRow(QWidget *parent = nullptr);

    static constexpr int symbolSize = 13;

    bool isAnimating() const { return m_animating; }
    QString text() const;

    // The globe's angle in degrees `seconds` after the row appeared.
    static qreal angle(qreal seconds);

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
