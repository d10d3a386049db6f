#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// The colours of the application's assets, each with a light and a dark value.
enum class NamedColor : quint8 {
    AppBackgroundStart,
    AppBackgroundEnd,
    AskAccent,
    AskAccentMuted,
    AskBgHover,
    AskDialogMid,
    AskDialogStroke,
    AskRuleSubtle,
    AskBackdropStart,
    AskBackdropMid,
    AskBackdropEnd,
    AskBackdropCloud,
    AskBackdropWash,
};

// Views pick the dark or light value from their own palette, so a window drawn in the dark
// scheme gets dark values whatever the rest of the desktop looks like.
namespace AppColors {

QColor named(NamedColor color, bool dark);
QColor named(NamedColor color, const QWidget *widget);

QColor surface1(bool dark);
QColor surface2(bool dark);
QColor surface3(bool dark);
// The tint of the glass surfaces; `strength` scales its opacity.
QColor glassTint(bool dark, qreal strength);

// Whether a palette is a dark one: its window colour is closer to black than to white.
bool isDark(const QPalette &palette);
bool isDark(const QWidget *widget);

// Text in the primary colour, and the dimmer secondary colour of labels and markers.
QColor primaryText(const QPalette &palette);
QColor secondaryText(const QPalette &palette);

// The palette of a window drawn in the light or the dark scheme.
QPalette palette(bool dark);

// `from` moved `amount` of the way to `to`, alpha included: 0 gives `from`, 1 gives `to`.
QColor mix(const QColor &from, const QColor &to, qreal amount);

} // namespace AppColors
