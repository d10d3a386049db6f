#pragma once

#include "base/apptheme.h"

#include <QAbstractButton>

class HoverAnimation;

// One card of the Appearance tab's theme choice: the theme's symbol large, its name and a
// line about it, a "Recommended" badge on the dark card and a check mark on the chosen one.
// Clicking asks for the theme (clicked); the tab writes it and sets isSelected from it.
class SettingsThemeChoice : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SettingsThemeChoice(AppTheme theme, QWidget *parent = nullptr);

    AppTheme theme() const { return m_theme; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    AppTheme m_theme;
    bool m_selected = false;
    HoverAnimation *m_hover;
};
