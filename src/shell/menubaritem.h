#pragma once

#include <QObject>
#include <QString>

class AppEvents;
class QAction;
class QMenu;
class QSystemTrayIcon;
class Settings;

// velm's item in the system tray: a monochrome icon titled "velm" with the menu "Open Quick
// Ask", "Open Ask", a separator, "Settings…", a separator and "Quit velm". The commands only
// post notifications or emit signals; the shell acts on them.
class MenuBarItem : public QObject
{
    Q_OBJECT

public:
    // Whether the hint about the tray was shown is kept in `settings`' data directory; may be
    // null.
    MenuBarItem(AppEvents &events, Settings &settings, QObject *parent = nullptr);
    ~MenuBarItem() override;

    // Whether the desktop has a tray that shows the item now. It may appear later (a panel
    // that starts after velm); Qt then puts the item into it by itself.
    static bool isSystemTrayAvailable();

    QMenu *menu() const { return m_menu; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    QAction *openQuickAskAction() const { return m_openQuickAsk; }
    QAction *openAskAction() const { return m_openAsk; }
    QAction *openSettingsAction() const { return m_openSettings; }
    QAction *quitAction() const { return m_quit; }
    // Puts the update command ("Check for Updates...") after the window commands, above the
    // separator before "Quit velm". The caller keeps owning the action.
    void setCheckForUpdatesAction(QAction *action);
    QAction *checkForUpdatesAction() const { return m_checkForUpdates; }

    // The first time velm hides to the tray, tells the user how to bring it back; later
    // calls, also in later sessions, do nothing. Returns whether it showed the message.
    bool showReturnHintOnce();
    static QString returnHintText();

Q_SIGNALS:
    // "Settings…": the shell opens the settings window.
    void settingsRequested();

private:
    bool returnHintShown() const;
    void setReturnHintShown();

    AppEvents &m_events;
    Settings &m_settings;
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QAction *m_openQuickAsk = nullptr;
    QAction *m_openAsk = nullptr;
    QAction *m_openSettings = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_checkForUpdates = nullptr;
    bool m_hintShownThisSession = false;
};
