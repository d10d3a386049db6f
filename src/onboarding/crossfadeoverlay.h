#pragma once

#include <QPixmap>
#include <QWidget>

// A picture of how a widget looked a moment ago, laid over it and faded out, so a change
// of its whole look (the theme) eases in instead of jumping.
class CrossFadeOverlay : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ opacity WRITE setOpacity)

public:
    explicit CrossFadeOverlay(QWidget *parent);

    // Shows `before` over the parent and fades it out over `ms` milliseconds; at once
    // when animations are off.
    void fadeFrom(const QPixmap &before, int ms);

    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QPixmap m_before;
    qreal m_opacity = 0;
};
