#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class AskBackdropView;
class Settings;
class SystemAppearance;

// The dimmed wash over the screen behind the Quick Ask bar. It never takes a click or the
// focus: every click passes through to what lies below. It is drawn in the bar's colour
// scheme (the system's, or the stored theme when the bar does not follow the system).
class AskBackdropPanel : public QWidget
{
    Q_OBJECT

public:
    // `settings` and `appearance` may be null (dark then).
    AskBackdropPanel(Settings &settings, SystemAppearance &appearance, QWidget *parent = nullptr);
    ~AskBackdropPanel() override;

    AskBackdropView *view() const { return m_view; }

    // Whether a backdrop can be shown on this desktop: it must be translucent and let clicks
    // through. Without a compositor an X11 window cannot be translucent (the screen would
    // go black), and Qt 6.4 cannot make a Wayland window click-through. Logs its answer
    // once.
    static bool isSupported();
    // The rule behind isSupported(): `compositing` is whether an X11 screen has a
    // compositing manager, unknown elsewhere. Gives the reason when the answer is no.
    static std::optional<QString> unsupportedReason(const QString &platformName,
                                                    std::optional<bool> compositing);

private:
    void updateColorScheme();

    Settings &m_settings;
    SystemAppearance &m_appearance;
    AskBackdropView *m_view = nullptr;
};
