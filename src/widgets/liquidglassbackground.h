#pragma once

#include "base/apptheme.h"

#include <QWidget>

// A translucent rounded surface standing in for the system glass material: a frosted base
// with the glass tint over it and a faint highlight at the top edge. Put it behind content
// as the lowest child (it follows its parent's size when `fillsParent`), or draw one with
// paint() inside another widget's paintEvent.
//
// The scheme is given, not read from the palette: the Quick Ask bar chooses its own.
class LiquidGlassBackground : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(qreal tintStrength READ tintStrength WRITE setTintStrength)

public:
    explicit LiquidGlassBackground(QWidget *parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    qreal tintStrength() const { return m_tintStrength; }
    void setTintStrength(qreal strength);
    bool dark() const { return m_dark; }
    void setDark(bool dark);

    // Keeps the geometry equal to the parent's rectangle.
    void setFillsParent(bool fills);

    // Draws the surface into `rect` of any painter.
    static void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, qreal tintStrength,
                      bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    qreal m_cornerRadius = 18;
    qreal m_tintStrength = 1.0;
    bool m_dark = true;
    bool m_fillsParent = false;
};
