#include "shell/menubaritem.h"

#include "base/appidentity.h"
#include "chat/appevents.h"
#include "chat/settings.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QSettings>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace {

// The shell's own memory, kept apart from the preferences: nothing the user sets, lists or
// exports, and a file of its own so it never races the preferences' writes.
constexpr QLatin1String returnHintKey{"trayHintShown"};

QString shellStatePath(const Settings &settings)
{
    return settings.dataDirectory() + u"/shell.conf"_s;
}

} // namespace

MenuBarItem::MenuBarItem(AppEvents &events, Settings &settings, QObject *parent)
    : QObject(parent)
    , m_events(events)
    , m_settings(settings)
    , m_menu(new QMenu)
    , m_trayIcon(new QSystemTrayIcon(this))
{
    m_menu->setObjectName(u"menuBarItemMenu"_s);
    m_openQuickAsk
        = m_menu->addAction(tr("Open Quick Ask"), this, [this] { m_events.postOpenAskDialog(); });
    m_openAsk = m_menu->addAction(tr("Open Ask"), this, [this] { m_events.postShowMainWindow(); });
    m_menu->addSeparator();
    m_openSettings = m_menu->addAction(tr("Settings…"), this, &MenuBarItem::settingsRequested);
    m_menu->addSeparator();
    m_quit = m_menu->addAction(tr("Quit velm"), this, [this] { m_events.postQuitAsk(); });

    // The symbolic icon is drawn in one colour, so the tray can tint it like its neighbours.
    // The installed one goes by name, which lets the desktop recolour it for its own panel;
    // a build run from its folder has only the built-in copy.
    QIcon builtIn(u":/icons/velm-symbolic.svg"_s);
    builtIn.setIsMask(true);
    m_trayIcon->setIcon(
        QIcon::fromTheme(QString(AppIdentity::applicationId) + u"-symbolic"_s, builtIn));
    m_trayIcon->setToolTip(u"velm"_s);
    m_trayIcon->setContextMenu(m_menu);
    // A left click shows the same menu, as the item does in a macOS menu bar; trays that
    // open the menu themselves on a left click never send Trigger. Only on X11: a Wayland
    // client knows neither the pointer's position nor a window to anchor a menu to.
    if (QGuiApplication::platformName() == u"xcb") {
        connect(m_trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger && !m_menu->isVisible())
                        m_menu->popup(QCursor::pos());
                });
    }
    m_trayIcon->show();
}

MenuBarItem::~MenuBarItem()
{
    // The tray icon goes with this object; the menu has no parent of its own (a menu
    // parented to a QObject is not a widget child).
    m_trayIcon->setContextMenu(nullptr);
    delete m_menu;
}

void MenuBarItem::setCheckForUpdatesAction(QAction *action)
{
    const QList<QAction *> actions = m_menu->actions();
    const qsizetype quitIndex = actions.indexOf(m_quit);
    QAction *before = quitIndex > 0 && actions.at(quitIndex - 1)->isSeparator()
        ? actions.at(quitIndex - 1)
        : m_quit;
    m_menu->insertAction(before, action);
    m_checkForUpdates = action;
}

bool MenuBarItem::isSystemTrayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

QString MenuBarItem::returnHintText()
{
    return tr("velm is still running. Open it from the tray icon, or press Super+Shift+K for "
              "Quick Ask.");
}

bool MenuBarItem::showReturnHintOnce()
{
    if (m_hintShownThisSession || returnHintShown())
        return false;
    m_hintShownThisSession = true;
    setReturnHintShown();
    m_trayIcon->showMessage(u"velm"_s, returnHintText(), m_trayIcon->icon());
    return true;
}

bool MenuBarItem::returnHintShown() const
{
    const QSettings store(shellStatePath(m_settings), QSettings::IniFormat);
    return store.value(returnHintKey, false).toBool();
}

void MenuBarItem::setReturnHintShown()
{
    QSettings store(shellStatePath(m_settings), QSettings::IniFormat);
    store.setValue(returnHintKey, true);
}
