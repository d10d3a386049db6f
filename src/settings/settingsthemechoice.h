#pragma once

#include "base/apptheme.h"

#include <QAbstractButton>

// One card of the Appearance tab's theme choice: the theme's symbol large, its name and a
// line about it, a "Recommended" badge on the dark card and a check mark on the chosen one.
// Clicking asks for the theme (clicked); the tab writes it and sets isSelected from it.
class SettingsThemeChoice : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal hoverProgress READ hoverProgress WRITE setHoverProgress)

public:
    explicit SettingsThemeChoice(AppTheme theme, QWidget *parent = nullptr);

    AppTheme theme() const { return m_theme; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    qreal hoverProgress() const { return m_hoverProgress; }
    void setHoverProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    AppTheme m_theme;
    bool m_selected = false;
    qreal m_hoverProgress = 0;
};
