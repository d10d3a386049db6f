#pragma once

#include "quickask/askglassbutton.h"

class QActionGroup;
class QMenu;
class Settings;

// The Quick Ask bar's web-search switch: a glass circle showing the stored mode's symbol
// that opens a menu of the three modes. It reads and writes "webSearchMode" directly, so a
// change made in any window shows here at once.
class AskSearchModeButton : public AskGlassButton
{
    Q_OBJECT

public:
    explicit AskSearchModeButton(Settings &settings, QWidget *parent = nullptr);

    QMenu *menu() const { return m_menu; }

    // The symbol shown for a stored mode.
    static QString symbolForMode(const QString &mode);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateFromSettings();
    void updateIcons();

    Settings &m_settings;
    QMenu *m_menu;
    QActionGroup *m_modes;
};
