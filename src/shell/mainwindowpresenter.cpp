#include "shell/mainwindowpresenter.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "main_window/contentview.h"
#include "main_window/mainwindow.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingview.h"
#include "widgets/windowtranslucency.h"

#include <QLayout>
#include <QPainterPath>
#include <QRegion>
#include <QScreen>
#include <QWindow>

MainWindowPresenter::MainWindowPresenter(MainWindow &window, ContentView &chat,
                                         OnboardingView &onboarding, Settings &settings,
                                         QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_chat(chat)
    , m_onboarding(onboarding)
    , m_settings(settings)
{
    // Neither view is the window's content yet: both wait inside it, hidden.
    if (window.content() == &chat || window.content() == &onboarding)
        window.takeContent();
    for (QWidget *view : {static_cast<QWidget *>(&chat), static_cast<QWidget *>(&onboarding)}) {
        view->hide();
        view->setParent(&window);
    }
    connect(&settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::hasCompletedOnboarding)
            showWhatIsDue();
    });
    // The decorations come back before the chat shows, so the chat is laid out once, in the
    // window it will stay in.
    connect(&onboarding.model(), &OnboardingModel::aboutToFinish, this, [this] {
        m_chat.viewState().setShouldRestoreMainWindowFromOnboarding(true);
        setCardChrome(false);
    });
    showWhatIsDue();
}

bool MainWindowPresenter::isShowingOnboarding() const
{
    return m_window.content() == &m_onboarding;
}

void MainWindowPresenter::showWhatIsDue()
{
    if (m_settings.hasCompletedOnboarding())
        showChat();
    else
        showOnboarding();
}

void MainWindowPresenter::showOnboarding()
{
    if (isShowingOnboarding())
        return;
    clearContent();
    setCardChrome(true);
    m_window.setContent(&m_onboarding);
    m_onboarding.show();
    m_onboarding.present();
}

void MainWindowPresenter::showChat()
{
    if (m_window.content() == &m_chat)
        return;
    clearContent();
    setCardChrome(false);
    m_window.setContent(&m_chat);
    // Laid out before it shows: the chat sizes the window from its own size once.
    if (QLayout *layout = m_window.layout())
        layout->activate();
    m_chat.show();
}

void MainWindowPresenter::clearContent()
{
    QWidget *previous = m_window.takeContent();
    // The placeholder the window starts with is not needed again.
    if (previous && previous != &m_chat && previous != &m_onboarding)
        previous->deleteLater();
}

void MainWindowPresenter::setCardChrome(bool card)
{
    if (m_cardChrome == card)
        return;
    m_cardChrome = card;
    MainWindow *window = &m_window;
    const bool wasVisible = window->isVisible();
    const bool translucent = card && WindowTranslucency::available();
    window->setAttribute(Qt::WA_TranslucentBackground, translucent);
    window->setAttribute(Qt::WA_NoSystemBackground, translucent);
    // A new set of flags makes a new native window, which starts hidden.
    window->setWindowFlag(Qt::FramelessWindowHint, card);
    if (card) {
        window->setMinimumSize(0, 0);
        window->setFixedSize(OnboardingView::cardSize);
    } else {
        window->setMinimumSize(MainWindow::minimumContentSize);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(MainWindow::defaultSize);
    }
    QRegion shape;
    if (card && !translucent) {
        // Without a compositor the corners cannot be see-through: cut them off instead.
        QPainterPath rounded;
        rounded.addRoundedRect(QRectF(QPointF(), QSizeF(OnboardingView::cardSize)),
                               OnboardingView::cornerRadius, OnboardingView::cornerRadius);
        shape = QRegion(rounded.toFillPolygon().toPolygon());
    }
    if (shape.isEmpty())
        window->clearMask();
    else
        window->setMask(shape);
    // New flags leave the widget without its native window but keep the QWindow, which
    // would give the next one the old shape.
    if (QWindow *handle = window->windowHandle())
        handle->setMask(shape);
    centreWindow();
    if (wasVisible) {
        window->show();
        window->raise();
        window->activateWindow();
    }
}

void MainWindowPresenter::centreWindow()
{
    const QScreen *screen = m_window.screen();
    if (!screen)
        return;
    QRect frame(QPoint(), m_window.size());
    frame.moveCenter(screen->availableGeometry().center());
    m_window.move(frame.topLeft());
}
