#pragma once

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>

#include <functional>

class AppEvents;
class AskBackdropPanel;
class AskDialogModel;
class AskDialogPanel;
class QNetworkAccessManager;
class QScreen;
class QWindow;
class Settings;
class SystemAppearance;

// The application's window manager: opens and closes the Quick Ask bar and its backdrop,
// brings the main window back, hides everything to the tray and decides what a quit
// request means. Only "Quit velm" (quitApplication) or the end of the desktop session ends
// the process; every other quit request hides velm to the tray, unless the desktop has no
// tray, where hiding would leave the user no way back and velm quits instead.
//
// The bar and the backdrop are made on first use and then only shown and hidden. While
// the bar is shown, a click on another velm window or a switch to another application
// closes it.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    // All four must outlive the delegate; `appearance` may be null.
    AppDelegate(Settings &settings, AppEvents &events, QNetworkAccessManager &network,
                SystemAppearance &appearance, QObject *parent = nullptr);
    ~AppDelegate() override;

    // The window that presentMainWindow brings back.
    void setMainWindow(QWidget *window);
    QWidget *mainWindow() const { return m_mainWindow; }

    // Once the application runs: the chord opens the bar, the four notifications are
    // observed, and quit requests and the main window's close button come here.
    void applicationDidFinishLaunching();
    // Whether a quit request may end the process now. When not, velm has been hidden to
    // the tray instead.
    bool applicationShouldTerminate();
    // Stops observing; the process is ending.
    void applicationWillTerminate();

    void showAskDialog();
    void hideAskDialog();
    void presentMainWindow();
    void hideAllToMenuBar();
    void quitApplication();

    AskDialogPanel *makeAskDialogWindow();
    AskBackdropPanel *makeAskBackdropWindow();
    void positionAskDialog(QWidget *window);
    // The screen of velm's active window, else the primary screen, else the first one.
    QScreen *targetScreen() const;
    void removeMouseMonitors();
    // Whether a click received by `receiver` (null: outside velm) at `globalPosition` lies
    // outside the shown bar. A click on the bar or on a menu it opened never does.
    bool clickIsOutsideAskDialog(const QWidget *receiver, const QPointF &globalPosition) const;

    AskDialogPanel *askDialogWindow() const;
    AskBackdropPanel *askBackdropWindow() const;
    AskDialogModel *askDialogModel() const;
    bool shouldAllowTermination() const { return m_shouldAllowTermination; }
    bool hasMouseMonitors() const { return m_localMouseDownMonitor || m_globalMouseDownMonitor; }

    // How the delegate learns whether a tray shows velm's item (asked at each hide, so a
    // tray that appears later is noticed), how it ends the event loop, and whether a
    // backdrop can be shown. Replaced by tests and by platforms that know better.
    void setTrayAvailable(std::function<bool()> check) { m_trayAvailable = std::move(check); }
    void setQuitFunction(std::function<void()> quit) { m_quit = std::move(quit); }
    void setBackdropSupported(std::function<bool()> check)
    {
        m_backdropSupported = std::move(check);
    }

Q_SIGNALS:
    // Every window has just been hidden to the tray.
    void hiddenToMenuBar();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void installMouseMonitors();
    void orderOutPanels();
    void focusWindowChanged(QWindow *window);
    bool belongsToAskDialog(const QWidget *widget) const;
    bool handleMainWindowClose(QEvent *event);

    Settings &m_settings;
    AppEvents &m_events;
    QNetworkAccessManager &m_network;
    SystemAppearance &m_appearance;
    QPointer<QWidget> m_mainWindow;

    QPointer<AskDialogPanel> m_askDialogWindow;
    QPointer<AskBackdropPanel> m_askBackdropWindow;
    QPointer<AskDialogModel> m_askDialogModel;
    bool m_localMouseDownMonitor = false;
    QMetaObject::Connection m_globalMouseDownMonitor;
    QList<QMetaObject::Connection> m_observers;
    bool m_shouldAllowTermination = false;
    bool m_launched = false;

    std::function<bool()> m_trayAvailable;
    std::function<void()> m_quit;
    std::function<bool()> m_backdropSupported;
};
