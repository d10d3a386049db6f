#pragma once

#include <QWidget>

// The glass surface of controls (buttons, chips, capsules): like LiquidGlassBackground, but
// it takes its scheme from its own palette when it paints, and its tint can be switched off.
class VelmLiquidGlassSurface : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(qreal tintStrength READ tintStrength WRITE setTintStrength)
    Q_PROPERTY(bool usesTint READ usesTint WRITE setUsesTint)

public:
    explicit VelmLiquidGlassSurface(QWidget *parent = nullptr);

    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);
    qreal tintStrength() const { return m_tintStrength; }
    void setTintStrength(qreal strength);
    bool usesTint() const { return m_usesTint; }
    void setUsesTint(bool uses);

    // Draws the surface into `rect` of any painter, dark or light as `dark` says. A radius
    // larger than half the shorter side gives a capsule or circle.
    static void paint(QPainter &painter, const QRectF &rect, qreal cornerRadius, qreal tintStrength,
                      bool usesTint, bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_cornerRadius = 12;
    qreal m_tintStrength = 1.0;
    bool m_usesTint = true;
};
