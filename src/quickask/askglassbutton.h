#pragma once

#include "widgets/symbols.h"

#include <QAbstractButton>
#include <QColor>
#include <QString>

// A round glass button with one symbol: the Quick Ask bar's send, stop and search-mode
// buttons. Its look is set by the bar from its state; symbol colours follow the palette's
// secondary or primary text colour at the opacity given.
class AskGlassButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal look READ look WRITE setLook)
    Q_PROPERTY(qreal presence READ presence WRITE setPresence)

public:
    enum class Tone : quint8 { Primary, Secondary, Accent };

    struct Style
    {
        Tone tone = Tone::Secondary;
        qreal toneOpacity = 1.0;
        qreal tintStrength = 1.0;
        qreal outlineOpacity = 0.08;
    };

    AskGlassButton(const QString &symbol, int diameter, int symbolSize,
                   Symbols::Weight weight = Symbols::Weight::Semibold, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    void setSymbol(const QString &symbol);

    Style style() const { return m_to; }
    // Changes the look at once.
    void setStyle(const Style &style);
    // Changes the look easing out over 0.15 s (at once when animations are off).
    void animateToStyle(const Style &style);

    // 0 at the previous style, 1 at the current one.
    qreal look() const { return m_look; }
    void setLook(qreal look);

    // How far the button has come in: it grows from 0.8 of its size and fades in.
    qreal presence() const { return m_presence; }
    void setPresence(qreal presence);
    // Brings the button in with the bar's state spring (at once when animations are off).
    void enter();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor toneColor(const Style &style) const;

    QString m_symbol;
    int m_diameter;
    int m_symbolSize;
    Symbols::Weight m_weight;
    Style m_from;
    Style m_to;
    qreal m_look = 1;
    qreal m_presence = 1;
};
