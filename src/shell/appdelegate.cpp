#include "shell/appdelegate.h"

#include "chat/appevents.h"
#include "chat/askdialogmodel.h"
#include "chat/settings.h"
#include "quickask/askbackdroppanel.h"
#include "quickask/askdialogpanel.h"
#include "quickask/askdialogview.h"
#include "shell/commandchordmonitor.h"
#include "shell/menubaritem.h"
#include "shell/shelllog.h"
#include "widgets/appfonts.h"
#include "widgets/systemappearance.h"

#include <QApplication>
#include <QMouseEvent>
#include <QNetworkAccessManager>
#include <QScreen>
#include <QWidget>
#include <QWindow>

AppDelegate::AppDelegate(Settings &settings, AppEvents &events, QNetworkAccessManager &network,
                         SystemAppearance &appearance, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_events(events)
    , m_network(network)
    , m_appearance(appearance)
    , m_trayAvailable(&MenuBarItem::isSystemTrayAvailable)
    , m_quit(&QCoreApplication::quit)
    , m_backdropSupported(&AskBackdropPanel::isSupported)
{ }

AppDelegate::~AppDelegate()
{
    applicationWillTerminate();
    delete m_askDialogWindow;
    delete m_askBackdropWindow;
}

AskDialogPanel *AppDelegate::askDialogWindow() const
{
    return m_askDialogWindow;
}

AskBackdropPanel *AppDelegate::askBackdropWindow() const
{
    return m_askBackdropWindow;
}

AskDialogModel *AppDelegate::askDialogModel() const
{
    return m_askDialogModel;
}

void AppDelegate::setMainWindow(QWidget *window)
{
    m_mainWindow = window;
}

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;
    registerAppFonts();

    CommandChordMonitor &chord = CommandChordMonitor::shared();
    chord.setAction([self = QPointer<AppDelegate>(this)] {
        if (!self)
            return;
        // On Wayland only the token of the press lets the bar take the focus.
        const QString token = CommandChordMonitor::shared().lastActivationToken();
        if (!token.isEmpty())
            qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
        self->showAskDialog();
    });
    chord.registerHotKey();

    // Connected with this delegate as the context: a delivery after it is gone does nothing.
    m_observers = {
        connect(&m_events, &AppEvents::openAskDialog, this, &AppDelegate::showAskDialog),
        connect(&m_events, &AppEvents::showMainWindow, this, &AppDelegate::presentMainWindow),
        connect(&m_events, &AppEvents::quitAsk, this, &AppDelegate::quitApplication),
        connect(&m_events, &AppEvents::hideToMenuBar, this, &AppDelegate::hideAllToMenuBar),
    };

    // Quit requests (the platform's, or QCoreApplication::quit from anywhere) pass through
    // here, as does the main window's close button.
    qApp->installEventFilter(this);
    // The desktop session is ending: quitting is right now, and hiding would only delay
    // the logout.
    if (auto *guiApp = qobject_cast<QGuiApplication *>(qApp)) {
        connect(guiApp, &QGuiApplication::commitDataRequest, this,
                [this] { m_shouldAllowTermination = true; });
    }
    connect(qApp, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

bool AppDelegate::applicationShouldTerminate()
{
    if (m_shouldAllowTermination)
        return true;
    if (!m_trayAvailable()) {
        // Without a tray a hidden velm could only be found again by starting it anew.
        qCInfo(lcShell, "No system tray: quitting rather than hiding");
        m_shouldAllowTermination = true;
        return true;
    }
    hideAllToMenuBar();
    return false;
}

void AppDelegate::applicationWillTerminate()
{
    for (const QMetaObject::Connection &observer : std::as_const(m_observers))
        disconnect(observer);
    m_observers.clear();
    removeMouseMonitors();
    if (m_launched && qApp)
        qApp->removeEventFilter(this);
}

void AppDelegate::showAskDialog()
{
    if (!m_askDialogWindow)
        m_askDialogWindow = makeAskDialogWindow();
    if (!m_askBackdropWindow && m_backdropSupported())
        m_askBackdropWindow = makeAskBackdropWindow();

    QScreen *screen = targetScreen();
    if (screen && m_askBackdropWindow)
        m_askBackdropWindow->setGeometry(screen->geometry());
    positionAskDialog(m_askDialogWindow);

    // The backdrop first, so the bar lies above it at the same level.
    if (m_askBackdropWindow) {
        m_askBackdropWindow->show();
        m_askBackdropWindow->raise();
    }
    m_askDialogWindow->show();
    m_askDialogWindow->raise();
    m_askDialogWindow->activateWindow();

    removeMouseMonitors();
    installMouseMonitors();
    qCInfo(lcShell, "Opened the Quick Ask bar");
    m_events.postAskDialogDidOpen();
}

void AppDelegate::hideAskDialog()
{
    orderOutPanels();
    removeMouseMonitors();
}

void AppDelegate::presentMainWindow()
{
    orderOutPanels();
    removeMouseMonitors();
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    if (QScreen *screen = window->screen()) {
        const QRect area = screen->availableGeometry();
        QRect frame = window->frameGeometry();
        frame.moveCenter(area.center());
        window->move(frame.topLeft());
    }
    window->raise();
    window->activateWindow();
    qCInfo(lcShell, "Presented the main window");
}

void AppDelegate::hideAllToMenuBar()
{
    if (!m_trayAvailable()) {
        qCInfo(lcShell, "No system tray: quitting rather than hiding");
        quitApplication();
        return;
    }
    orderOutPanels();
    removeMouseMonitors();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->isVisible())
            window->hide();
    }
    qCInfo(lcShell, "Hid every window to the tray");
    Q_EMIT hiddenToMenuBar();
}

void AppDelegate::quitApplication()
{
    m_shouldAllowTermination = true;
    qCInfo(lcShell, "Quitting");
    m_quit();
}

AskDialogPanel *AppDelegate::makeAskDialogWindow()
{
    auto *panel = new AskDialogPanel;
    m_askDialogModel = new AskDialogModel(m_settings, m_events, m_network, panel);
    auto *view = new AskDialogView(m_askDialogModel, m_settings, m_appearance);
    panel->setContent(view);
    connect(view, &AskDialogView::preferredHeightChanged, panel, &AskDialogPanel::setContentHeight);
    panel->setContentHeight(view->preferredHeight());
    // For people and tools that watch the log: the bar has something to show.
    connect(m_askDialogModel, &AskDialogModel::answerChanged, panel, [](const QString &answer) {
        if (!answer.isEmpty())
            qCInfo(lcShell, "The Quick Ask bar shows an answer");
    });
    panel->onCancel = [self = QPointer<AppDelegate>(this)] {
        if (self)
            self->hideAskDialog();
    };
    return panel;
}

AskBackdropPanel *AppDelegate::makeAskBackdropWindow()
{
    auto *panel = new AskBackdropPanel(m_settings, m_appearance);
    const QScreen *screen = QGuiApplication::primaryScreen();
    panel->setGeometry(screen ? screen->geometry() : QRect(0, 0, 1200, 800));
    return panel;
}

void AppDelegate::positionAskDialog(QWidget *window)
{
    if (!window)
        return;
    const QScreen *screen = targetScreen();
    if (!screen)
        return; // the window system places it
    const QRect frame = AskDialogPanel::frameFor(screen->availableGeometry(), window->height());
    window->setFixedSize(frame.size());
    window->move(frame.topLeft());
}

QScreen *AppDelegate::targetScreen() const
{
    if (const QWidget *active = QApplication::activeWindow()) {
        if (QScreen *screen = active->screen())
            return screen;
    }
    if (QScreen *primary = QGuiApplication::primaryScreen())
        return primary;
    const QList<QScreen *> screens = QGuiApplication::screens();
    return screens.isEmpty() ? nullptr : screens.first();
}

void AppDelegate::installMouseMonitors()
{
    m_localMouseDownMonitor = true;
    if (auto *guiApp = qobject_cast<QGuiApplication *>(qApp)) {
        m_globalMouseDownMonitor = connect(guiApp, &QGuiApplication::focusWindowChanged, this,
                                           &AppDelegate::focusWindowChanged);
    }
}

void AppDelegate::removeMouseMonitors()
{
    m_localMouseDownMonitor = false;
    if (m_globalMouseDownMonitor) {
        disconnect(m_globalMouseDownMonitor);
        m_globalMouseDownMonitor = {};
    }
}

bool AppDelegate::belongsToAskDialog(const QWidget *widget) const
{
    // Across window boundaries: a menu opened from the bar is a window of its own.
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        if (w == m_askDialogWindow)
            return true;
    }
    return false;
}

bool AppDelegate::clickIsOutsideAskDialog(const QWidget *receiver,
                                          const QPointF &globalPosition) const
{
    if (receiver && belongsToAskDialog(receiver))
        return false;
    return m_askDialogWindow && m_askDialogWindow->isVisible()
        && !m_askDialogWindow->frameGeometry().contains(globalPosition.toPoint());
}

void AppDelegate::orderOutPanels()
{
    if (m_askDialogWindow)
        m_askDialogWindow->hide();
    if (m_askBackdropWindow)
        m_askBackdropWindow->hide();
}

void AppDelegate::focusWindowChanged(QWindow *window)
{
    // Focus left velm altogether: the user clicked into (or switched to) another
    // application. A switch to another velm window is the local monitor's business.
    if (window)
        return;
    if (m_askDialogWindow && m_askDialogWindow->isVisible()) {
        orderOutPanels();
        removeMouseMonitors();
    }
}

bool AppDelegate::handleMainWindowClose(QEvent *event)
{
    if (m_shouldAllowTermination)
        return false;
    // The window manager's close button means what Close to Menu Bar means.
    event->ignore();
    if (m_trayAvailable())
        hideAllToMenuBar();
    else
        quitApplication();
    return true;
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Quit:
        if (watched == qApp && !applicationShouldTerminate()) {
            event->ignore();
            return true;
        }
        break;
    case QEvent::Close:
        if (watched == m_mainWindow && watched->isWidgetType())
            return handleMainWindowClose(event);
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        // Seen once per widget the press travels through; the window-level copy is skipped.
        if (!m_localMouseDownMonitor || !watched->isWidgetType())
            break;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton && mouse->button() != Qt::RightButton)
            break;
        if (clickIsOutsideAskDialog(static_cast<QWidget *>(watched), mouse->globalPosition())) {
            orderOutPanels();
            removeMouseMonitors();
        }
        break;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
