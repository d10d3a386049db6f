#include "settings/settingswindow.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "settings/settingsview.h"
#include "widgets/accessiblerole.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

SettingsWindow::SettingsWindow(Settings &settings, AppEvents &events, ChatList &chats,
                               QNetworkAccessManager &network, SystemAppearance &appearance,
                               QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_settings(settings)
    , m_appearance(appearance)
{
    setObjectName(u"settingsWindow"_s);
    setWindowTitle(title());
    // The window itself, not a filler, to a screen reader.
    AccessibleRole::assign("SettingsWindow", QAccessible::Window);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // The window takes the view's size: fixed width, the current tab's height.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_view = new SettingsView(settings, events, chats, network, this);
    layout->addWidget(m_view);

    // Escape closes it too, as it does a dialog: nothing here waits for a confirmation.
    auto *closeAction = new QAction(this);
    closeAction->setShortcuts(QKeySequence::keyBindings(QKeySequence::Close)
                              << QKeySequence(Qt::Key_Escape));
    connect(closeAction, &QAction::triggered, this, &QWidget::close);
    addAction(closeAction);

    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme)
            applyScheme();
    });
    connect(&m_appearance, &SystemAppearance::changed, this, &SettingsWindow::applyScheme);
    applyScheme();
}

QString SettingsWindow::title()
{
    return tr("velm Settings");
}

QColor SettingsWindow::backgroundColor(bool dark)
{
    return AppColors::named(dark ? NamedColor::AppBackgroundStart : NamedColor::AppBackgroundEnd,
                            dark);
}

void SettingsWindow::present()
{
    if (!m_placed) {
        // The first time over the window the user works in, as settings windows open.
        m_placed = true;
        adjustSize();
        const QWidget *active = QApplication::activeWindow();
        const QScreen *screen = active ? active->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area
                = active && active != this ? active->frameGeometry() : screen->availableGeometry();
            QRect frame(QPoint(), size());
            frame.moveCenter(area.center());
            // Never under the desktop's panels or off the screen.
            const QRect available = screen->availableGeometry();
            frame.moveLeft(qBound(available.left(), frame.left(),
                                  qMax(available.left(), available.right() - frame.width())));
            frame.moveTop(qBound(available.top(), frame.top(),
                                 qMax(available.top(), available.bottom() - frame.height())));
            move(frame.topLeft());
        }
    }
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void SettingsWindow::closeEvent(QCloseEvent *event)
{
    m_view->forgetTestResults();
    QWidget::closeEvent(event);
}

void SettingsWindow::applyScheme()
{
    m_dark
        = AppThemes::isDark(AppThemes::colorScheme(m_settings.appTheme()), m_appearance.isDark());
    QPalette palette = AppColors::palette(m_dark);
    palette.setColor(QPalette::Window, backgroundColor(m_dark));
    setPalette(palette);
}
