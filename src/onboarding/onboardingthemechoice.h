#pragma once

#include "base/apptheme.h"

#include <QAbstractButton>

class HoverAnimation;

// One theme card of the theme stage: the theme's symbol on a small tile, its name (with a
// "Recommended" badge for dark) and a line about it; the chosen one is outlined in the
// accent colour and shows a check.
class OnboardingThemeChoice : public QAbstractButton
{
    Q_OBJECT

public:
    explicit OnboardingThemeChoice(AppTheme theme, QWidget *parent = nullptr);

    AppTheme theme() const { return m_theme; }
    QString description() const { return AppThemes::description(m_theme); }
    bool isRecommended() const { return AppThemes::isRecommended(m_theme); }

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AppTheme m_theme;
    bool m_selected = false;
    HoverAnimation *m_hover;
};
