#pragma once

#include "chat/settingskeys.h"
#include "search/searchmode.h"

#include <QToolButton>

class HoverAnimation;

class QActionGroup;
class Settings;

// The composer's web search switch: a capsule with the globe and the mode's label
// ("Search auto", "Search on", "Search off") that opens a menu of the three modes. Picking
// one writes "webSearchMode"; the chip follows the setting wherever it is changed.
class WebSearchChip : public QToolButton
{
    Q_OBJECT

public:
    explicit WebSearchChip(Settings &settings, QWidget *parent = nullptr);

    WebSearchMode mode() const { return m_mode; }
    // The symbol drawn before the label.
    QString symbolName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenu();
    void updateFromSettings();
    void updateMenuIcons();
    QColor chipColor() const;

    Settings &m_settings;
    QActionGroup *m_modes = nullptr;
    WebSearchMode m_mode = WebSearchMode::Auto;
    HoverAnimation *m_hover;
};
