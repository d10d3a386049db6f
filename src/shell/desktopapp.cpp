#include "shell/desktopapp.h"

#include "shell/appdelegate.h"
#include "shell/menubaritem.h"
#include "shell/portalchordbackend.h"
#include "shell/shelllog.h"
#include "widgets/appfonts.h"
#include "widgets/systemappearance.h"
#ifdef Q_OS_UNIX
#include "base/signalwatcher.h"

#include <csignal>
#endif
#include "base/appidentity.h"
#include "base/translations.h"
#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/chatsfilewatcher.h"
#include "chat/chatstore.h"
#include "chat/conversationcontroller.h"
#include "chat/settings.h"
#include "chat/settingsfilewatcher.h"
#include "main_window/contentview.h"
#include "main_window/mainwindow.h"
#include "onboarding/onboardingdrafts.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingview.h"
#include "settings/settingswindow.h"
#include "shell/instancechannel.h"
#include "shell/mainwindowpresenter.h"
#include "updates/checkforupdatesview.h"
#include "updates/directupdater.h"

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QIcon>
#include <QNetworkAccessManager>
#include <QScreen>
#include <QTimer>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

DesktopOptions DesktopOptions::fromArguments(const QStringList &arguments)
{
    DesktopOptions options;
    options.openQuickAsk = arguments.value(1) == InstanceChannel::QuickAsk;
    options.startHidden = arguments.contains(u"--hidden"_s);
    return options;
}

QString DesktopOptions::handoverCommand() const
{
    if (openQuickAsk)
        return InstanceChannel::QuickAsk;
    return startHidden ? QString(InstanceChannel::Ping) : QString(InstanceChannel::Show);
}

namespace {

constexpr int handoverTimeoutMs = 5000;

// Ends this launch when another app runs: 0 once that one took the command over.
int handOver(InstanceChannel::Handover result)
{
    if (result == InstanceChannel::Handover::Delivered)
        return 0;
    std::fputs("velm: velm is already running but does not answer\n", stderr);
    return 1;
}

} // namespace

int runDesktopApp(int &argc, char **argv, const DesktopOptions &options)
{
    // Asked before the application exists: handing over needs no display and is quick.
    const QString serverName = InstanceChannel::defaultServerName();
    // The token the desktop gave this launch lets the running app take the focus.
    const QString activationToken = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    const InstanceChannel::Handover early = InstanceChannel::send(
        serverName, options.handoverCommand(), handoverTimeoutMs, activationToken);
    if (early != InstanceChannel::Handover::NoInstance)
        return handOver(early);

    QApplication app(argc, argv);
    QApplication::setApplicationName(AppIdentity::applicationName);
    QApplication::setApplicationVersion(QStringLiteral(VELM_VERSION));
    QGuiApplication::setDesktopFileName(AppIdentity::applicationId);
    QApplication::setWindowIcon(QIcon(u":/icons/velm.svg"_s));
    // Before any window or menu is made, so that every text comes in the user's language.
    const Translations translations;
    // velm lives on in the tray when its last window closes.
    QApplication::setQuitOnLastWindowClosed(false);

    InstanceChannel channel(serverName);
    switch (channel.listen()) {
    case InstanceChannel::Claim::Listening:
        qCInfo(lcShell, "Listening for later launches on %s", qPrintable(serverName));
        break;
    case InstanceChannel::Claim::InstanceRunning:
        // Another launch got there between the first question and now.
        return handOver(InstanceChannel::send(serverName, options.handoverCommand(),
                                              handoverTimeoutMs, activationToken));
    case InstanceChannel::Claim::Failed:
        qCWarning(lcShell, "Later launches cannot reach this velm: %s",
                  qPrintable(channel.errorString()));
        break;
    }
    registerAppFonts();
    PortalChordBackend::registerHostApplication(QDBusConnection::sessionBus());

    Settings settings;
    AppEvents events;
    QNetworkAccessManager network;
    SystemAppearance appearance;
    ChatStore store(settings);
    ChatList chats(store, events);
    ConversationController controller(settings, chats, events, network);
    ChatsFileWatcher chatsWatcher(settings, events);
    // Once the window is up and the start's work done.
    QTimer::singleShot(std::chrono::seconds(30), &chats, [&store] { store.backUpDaily(); });
    SettingsFileWatcher settingsWatcher(settings);
    MainWindow mainWindow(events);
    auto *contentView = new ContentView(controller, settings, appearance);
    mainWindow.setContent(contentView);
    // Until the first-run flow is completed the window shows it instead of the chat.
    OnboardingDrafts onboardingDrafts;
    OnboardingModel onboarding(settings, onboardingDrafts, network);
    auto *onboardingView = new OnboardingView(onboarding, settings, appearance);
    MainWindowPresenter mainWindowPresenter(mainWindow, *contentView, *onboardingView, settings);
    AppDelegate delegate(settings, events, network, appearance);
    delegate.setMainWindow(&mainWindow);
    MenuBarItem menuBarItem(events, settings);
    QObject::connect(&delegate, &AppDelegate::hiddenToMenuBar, &menuBarItem,
                     &MenuBarItem::showReturnHintOnce);
    // The settings window is made the first time it is asked for and then only shown again.
    std::unique_ptr<SettingsWindow> settingsWindow;
    const auto openSettings = [&] {
        if (!settingsWindow)
            settingsWindow
                = std::make_unique<SettingsWindow>(settings, events, chats, network, appearance);
        settingsWindow->present();
    };
    QObject::connect(&menuBarItem, &MenuBarItem::settingsRequested, &menuBarItem, openSettings);
    QObject::connect(contentView, &ContentView::settingsRequested, &mainWindow, openSettings);
    auto *preferencesAction = new QAction(&mainWindow);
    QList<QKeySequence> preferencesKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    if (preferencesKeys.isEmpty())
        preferencesKeys.append(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferencesAction->setShortcuts(preferencesKeys);
    QObject::connect(preferencesAction, &QAction::triggered, &mainWindow, openSettings);
    mainWindow.addAction(preferencesAction);
    // Disabled for good in a build without an update feed and key.
    DirectUpdater *updater = DirectUpdater::shared();
    CheckForUpdatesView checkForUpdates(updater->isEnabled() ? updater : nullptr, settings,
                                        appearance);
    menuBarItem.setCheckForUpdatesAction(&checkForUpdates);
#ifdef Q_OS_UNIX
    // The session ending (systemd stopping the user's services, the X session closing its
    // terminal), or a plain kill: the one other way out besides "Quit velm", and it quits the
    // same way, leaving no socket behind for the next launch.
    SignalWatcher termination({SIGTERM, SIGHUP, SIGINT});
    QObject::connect(&termination, &SignalWatcher::caught, &delegate, [&delegate] {
        qCInfo(lcShell, "Asked by the system to end");
        delegate.quitApplication();
    });
#endif
    QObject::connect(&channel, &InstanceChannel::commandReceived, &delegate,
                     [&delegate, &events](const QString &command, const QString &token) {
                         qCInfo(lcShell, "Another launch asked for \"%s\"", qPrintable(command));
                         // Qt's Wayland windows read it when they ask for the focus.
                         if (!token.isEmpty()
                             && QGuiApplication::platformName().startsWith(u"wayland"))
                             qputenv("XDG_ACTIVATION_TOKEN", token.toLatin1());
                         if (command == InstanceChannel::QuickAsk)
                             delegate.showAskDialog();
                         else
                             events.postShowMainWindow();
                     });

    // Centred where it first opens, as presentMainWindow puts it when it comes back.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), mainWindow.size());
        frame.moveCenter(screen->availableGeometry().center());
        mainWindow.move(frame.topLeft());
    }
    // Started for the bar, velm opens only the bar, as it does when it already runs. A
    // hidden start without a tray still shows nothing: a second launch or the chord brings
    // velm up, and at login the tray often appears only after velm has started.
    if (!options.startHidden && !options.openQuickAsk) {
        mainWindow.show();
        qCInfo(lcShell, "Started with the main window");
    } else {
        qCInfo(lcShell, "Started without the main window");
    }
    QTimer::singleShot(0, &delegate, [&delegate, options] {
        delegate.applicationDidFinishLaunching();
        if (options.openQuickAsk)
            delegate.showAskDialog();
    });
    return app.exec();
}
