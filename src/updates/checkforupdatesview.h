#pragma once

#include <QAction>
#include <QPointer>

#include <memory>

class CheckForUpdatesViewModel;
class DirectUpdater;
class Settings;
class SystemAppearance;
class UpdateDialog;

// The "Check for Updates..." command, for menus. It is enabled exactly when the updater can
// start a check; triggering it starts one and shows its progress and result in the update
// window. Without an updater (a build with updating off) it stays disabled.
class CheckForUpdatesView : public QAction
{
    Q_OBJECT

public:
    // `settings` and `appearance` choose the window's colour scheme; both may be null.
    CheckForUpdatesView(DirectUpdater *updater, Settings &settings, SystemAppearance &appearance,
                        QObject *parent = nullptr);
    ~CheckForUpdatesView() override;

    static QString title();

    CheckForUpdatesViewModel *viewModel() const { return m_viewModel; }
    DirectUpdater *updater() const;
    // The update window, once the command has run.
    UpdateDialog *dialog() const { return m_dialog.get(); }

private:
    void checkForUpdates();

    CheckForUpdatesViewModel *m_viewModel = nullptr;
    QPointer<DirectUpdater> m_updater;
    Settings &m_settings;
    SystemAppearance &m_appearance;
    std::unique_ptr<UpdateDialog> m_dialog;
};
