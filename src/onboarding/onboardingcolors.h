#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// The flow's own colours, a set for each appearance. The card draws on its own background
// rather than the main window's, so these are not the app's named colours.
struct OnboardingColors
{
    QColor cardBackground;
    QColor primaryText;
    QColor mutedText;
    QColor secondaryText;
    QColor surface;
    QColor accent;
    QColor accentTint;
    QColor strongAccent;

    static OnboardingColors forScheme(bool dark);
    // The set of the appearance `widget` is drawn in (its palette's window colour).
    static OnboardingColors of(const QWidget *widget);
    // A palette for the card and everything on it, so plain widgets (the text fields, the
    // dialog) draw in the flow's colours too.
    static QPalette palette(bool dark);

    // Test results: green for a connection that works, amber for one that does not.
    static QColor valid() { return QColor(0x22, 0xc5, 0x5e); }
    static QColor warning() { return QColor(0xf5, 0x9e, 0x0b); }
    // `color` at `opacity` times its own alpha.
    static QColor faded(QColor color, qreal opacity);
    // A hairline that separates surfaces of the card.
    QColor hairline() const;
};
