#include "onboarding/onboardingcolors.h"

#include <QWidget>

OnboardingColors OnboardingColors::forScheme(bool dark)
{
    OnboardingColors c;
    if (dark) {
        c.cardBackground = QColor(0x0c, 0x0d, 0x11);
        c.primaryText = QColor(0xe6, 0xea, 0xf5);
        c.mutedText = QColor(0x8f, 0x92, 0x9c);
        c.secondaryText = QColor(0xc7, 0xca, 0xda);
        c.surface = QColor(0x18, 0x1a, 0x22);
        c.accent = QColor(0x9e, 0x8f, 0xff);
        c.accentTint = faded(c.accent, 0.2);
        c.strongAccent = QColor(0x9e, 0x8f, 0xff);
    } else {
        c.cardBackground = QColor(0xf7, 0xf6, 0xf2);
        c.primaryText = QColor(0x12, 0x12, 0x1f);
        c.mutedText = QColor(0x8c, 0x8a, 0x99);
        c.secondaryText = QColor(0x2d, 0x2d, 0x44);
        c.surface = QColor(0xef, 0xed, 0xe8);
        c.accent = QColor(0x7c, 0x5c, 0xfc);
        c.accentTint = QColor(0xed, 0xe9, 0xff);
        c.strongAccent = QColor(0x5a, 0x3f, 0xd4);
    }
    return c;
}

OnboardingColors OnboardingColors::of(const QWidget *widget)
{
    const bool dark = !widget || widget->palette().color(QPalette::Window).lightnessF() < 0.5f;
    return forScheme(dark);
}

QColor OnboardingColors::faded(QColor color, qreal opacity)
{
    color.setAlphaF(color.alphaF() * float(opacity));
    return color;
}

QColor OnboardingColors::hairline() const
{
    const bool dark = cardBackground.lightnessF() < 0.5f;
    return dark ? QColor(255, 255, 255, 20) : QColor(18, 18, 31, 22);
}

QPalette OnboardingColors::palette(bool dark)
{
    const OnboardingColors c = forScheme(dark);
    QPalette p(c.surface, c.cardBackground);
    p.setColor(QPalette::Window, c.cardBackground);
    p.setColor(QPalette::WindowText, c.primaryText);
    p.setColor(QPalette::Base, c.surface);
    p.setColor(QPalette::AlternateBase, c.surface);
    p.setColor(QPalette::Text, c.primaryText);
    p.setColor(QPalette::Button, c.surface);
    p.setColor(QPalette::ButtonText, c.primaryText);
    p.setColor(QPalette::PlaceholderText, c.mutedText);
    p.setColor(QPalette::Highlight, c.accent);
    p.setColor(QPalette::HighlightedText, dark ? c.cardBackground : QColor(Qt::white));
    p.setColor(QPalette::ToolTipBase, c.surface);
    p.setColor(QPalette::ToolTipText, c.primaryText);
    p.setColor(QPalette::Link, c.strongAccent);
    p.setColor(QPalette::Light, c.surface.lighter(115));
    p.setColor(QPalette::Midlight, c.surface);
    p.setColor(QPalette::Mid, c.mutedText);
    p.setColor(QPalette::Dark, c.secondaryText);
    p.setColor(QPalette::Shadow, Qt::black);
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.mutedText);
    return p;
}
