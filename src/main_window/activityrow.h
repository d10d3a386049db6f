#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <optional>

class QVariantAnimation;

// A row that shows the conversation is waiting on something (the web search, the model's
// first piece). Its motion is drawn from the time since the row appeared rather than from an
// animation's value, so a repaint that comes late never makes it jump; the ticker only asks
// for repaints, and only while the row is shown and animations are on.
class ActivityRow : public QWidget
{
    Q_OBJECT

public:
    bool isAnimating() const { return m_animating; }

protected:
    explicit ActivityRow(QWidget *parent = nullptr);

    // Seconds since the row was first shown, or nothing before that.
    std::optional<qreal> elapsedSeconds() const;

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    bool m_animating = false;
    QElapsedTimer m_clock;
    QVariantAnimation *m_ticker;
};
