#pragma once

#include "chat/settingskeys.h"
#include "main_window/composerchip.h"
#include "search/searchmode.h"

class QActionGroup;
class Settings;

// The composer's web search switch: a capsule with the globe and the mode's label
// ("Search auto", "Search on", "Search off") that opens a menu of the three modes. Picking
// one writes "webSearchMode"; the chip follows the setting wherever it is changed.
class WebSearchChip : public ComposerChip
{
    Q_OBJECT

public:
    explicit WebSearchChip(Settings &settings, QWidget *parent = nullptr);

    WebSearchMode mode() const { return m_mode; }
    // The symbol drawn before the label.
    QString symbolName() const;

protected:
    QString chipSymbol() const override;
    QColor chipColor() const override;
    bool isEmphasised() const override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenu();
    void updateFromSettings();
    void updateMenuIcons();

    Settings &m_settings;
    QActionGroup *m_modes = nullptr;
    WebSearchMode m_mode = WebSearchMode::Auto;
};
