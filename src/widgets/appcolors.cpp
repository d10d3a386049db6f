#include "widgets/appcolors.h"

#include <QWidget>

#include <array>

namespace {

struct ColorPair
{
    QRgb light;
    QRgb dark;
};

// Calm, slightly cool greys with one indigo accent; translucent values (AARRGGBB) sit on
// whatever surface is below them.
constexpr std::array<ColorPair, 13> namedColors{{
    {0xfff7f7fa, 0xff15161b}, // AppBackgroundStart
    {0xffeceef5, 0xff1c1d25}, // AppBackgroundEnd
    {0xff4f5bd5, 0xff8e98ff}, // AskAccent
    {0xff7c86e0, 0xff6971c9}, // AskAccentMuted
    {0x0d000000, 0x12ffffff}, // AskBgHover
    {0xfff3f4f9, 0xff23242c}, // AskDialogMid
    {0x1a000000, 0x1fffffff}, // AskDialogStroke
    {0x14000000, 0x1affffff}, // AskRuleSubtle
    {0xffe9ecf8, 0xff0e0f14}, // AskBackdropStart
    {0xfff3f0fa, 0xff15131c}, // AskBackdropMid
    {0xffeaf2f6, 0xff0f1418}, // AskBackdropEnd
    {0xffd9defa, 0xff2a2f55}, // AskBackdropCloud
    {0xfff6e7f0, 0xff3a2440}, // AskBackdropWash
}};

QColor rgbF(float r, float g, float b)
{
    return QColor::fromRgbF(r, g, b, 1.0f);
}

} // namespace

namespace AppColors {

QColor named(NamedColor color, bool dark)
{
    const ColorPair &pair = namedColors.at(static_cast<size_t>(color));
    return QColor::fromRgba(dark ? pair.dark : pair.light);
}

QColor named(NamedColor color, const QWidget *widget)
{
    return named(color, isDark(widget));
}

QColor surface1(bool dark)
{
    return dark ? rgbF(0.105f, 0.11f, 0.135f) : rgbF(0.965f, 0.97f, 0.984f);
}

QColor surface2(bool dark)
{
    return dark ? rgbF(0.135f, 0.142f, 0.172f) : rgbF(0.98f, 0.984f, 0.996f);
}

QColor surface3(bool dark)
{
    return dark ? rgbF(0.18f, 0.18f, 0.245f) : rgbF(0.875f, 0.882f, 0.965f);
}

QColor glassTint(bool dark, qreal strength)
{
    const float alpha = float(qBound(0.0, (dark ? 0.38 : 0.18) * strength, 1.0));
    return dark ? QColor::fromRgbF(0.115f, 0.12f, 0.15f, alpha)
                : QColor::fromRgbF(0.86f, 0.875f, 0.93f, alpha);
}

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightnessF() < 0.5f;
}

bool isDark(const QWidget *widget)
{
    return widget ? isDark(widget->palette()) : false;
}

QColor primaryText(const QPalette &palette)
{
    return palette.color(QPalette::WindowText);
}

QColor secondaryText(const QPalette &palette)
{
    // Mixed rather than translucent, so text drawn over text stays legible.
    return mix(palette.color(QPalette::WindowText), palette.color(QPalette::Window), 0.4);
}

QPalette palette(bool dark)
{
    const QColor window = surface1(dark);
    const QColor text = dark ? QColor(0xe8, 0xe9, 0xee) : QColor(0x1c, 0x1d, 0x22);
    const QColor base = dark ? QColor(0x15, 0x16, 0x1b) : QColor(0xff, 0xff, 0xff);
    const QColor button = surface2(dark);
    const QColor accent = named(NamedColor::AskAccent, dark);

    QPalette p(button, window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, surface2(dark));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, dark ? Qt::white : Qt::black);
    p.setColor(QPalette::ToolTipBase, surface3(dark));
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, mix(text, window, 0.5));
    p.setColor(QPalette::Highlight, accent);
    p.setColor(QPalette::HighlightedText, dark ? QColor(0x10, 0x11, 0x18) : Qt::white);
    p.setColor(QPalette::Link, accent);
    p.setColor(QPalette::LinkVisited, named(NamedColor::AskAccentMuted, dark));
    p.setColor(QPalette::Light, dark ? surface3(dark) : Qt::white);
    p.setColor(QPalette::Midlight, mix(window, text, 0.08));
    p.setColor(QPalette::Mid, mix(window, text, 0.25));
    p.setColor(QPalette::Dark, mix(window, text, 0.45));
    p.setColor(QPalette::Shadow, Qt::black);
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        p.setColor(QPalette::Disabled, role, mix(text, window, 0.55));
    }
    return p;
}

QColor mix(const QColor &from, const QColor &to, qreal amount)
{
    const auto between = [amount](float a, float b) { return float(a + (b - a) * amount); };
    return QColor::fromRgbF(between(from.redF(), to.redF()), between(from.greenF(), to.greenF()),
                            between(from.blueF(), to.blueF()), between(from.alphaF(), to.alphaF()));
}

} // namespace AppColors
