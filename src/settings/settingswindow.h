#pragma once

#include <QWidget>

class AppEvents;
class ChatList;
class QNetworkAccessManager;
class Settings;
class SettingsView;
class SystemAppearance;

// The settings window, titled "velm Settings": the settings view at its fixed width, as tall
// as the current tab. It is made once and then shown again; it draws light for the "light"
// theme, follows the desktop for "system" and is dark otherwise, changing as soon as the
// setting or the desktop does.
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    SettingsWindow(Settings &settings, AppEvents &events, ChatList &chats,
                   QNetworkAccessManager &network, SystemAppearance &appearance,
                   QWidget *parent = nullptr);

    static QString title();

    SettingsView *view() const { return m_view; }

    // Shows the window, or brings it to the front when it is open already.
    void present();

    // The window colour behind the tabs in a light or dark window.
    static QColor backgroundColor(bool dark);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void applyScheme();

    Settings &m_settings;
    SystemAppearance &m_appearance;
    SettingsView *m_view = nullptr;
    bool m_dark = true;
    bool m_placed = false;
};
