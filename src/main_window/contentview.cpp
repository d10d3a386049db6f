#include "main_window/contentview.h"

#include "base/apptheme.h"
#include "chat/chatlist.h"
#include "chat/conversationcontroller.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "main_window/chatscrollview.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/messagelistview.h"
#include "main_window/newchatview.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarsearchfield.h"
#include "main_window/sidebarview.h"
#include "main_window/storenoticebanner.h"
#include "main_window/toolbarband.h"
#include "main_window/velmchatbackground.h"
#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>
#include <tuple>
#include <utility>

using namespace Qt::StringLiterals;

ContentView::ContentView(ConversationController &controller, Settings &settings,
                         SystemAppearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_settings(settings)
    , m_appearance(appearance)
{
    // The window returns to its default size once the first-run flow is done.
    m_viewState.setShouldRestoreMainWindowFromOnboarding(!settings.hasCompletedOnboarding());

    setMinimumSize(820, 560);

    auto *background = new VelmChatBackground(this);
    auto *outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(background);

    auto *columns = new QHBoxLayout(background);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    // The sidebar sits in a clipping column whose width animates, so it slides in and out
    // instead of squeezing its rows.
    m_sidebarColumn = new QWidget(background);
    m_sidebar = new SidebarView(controller, m_sidebarColumn);
    m_sidebar->setFixedWidth(SidebarView::columnWidth);
    m_sidebarColumn->setFixedWidth(0);
    m_sidebarColumn->installEventFilter(this);
    columns->addWidget(m_sidebarColumn);

    auto *detail = new QWidget(background);
    auto *detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->setSpacing(0);
    m_toolbar = new ToolbarBand(detail);
    detailLayout->addWidget(m_toolbar);
    m_storeNotice = new StoreNoticeBanner(detail);
    detailLayout->addWidget(m_storeNotice);

    m_pages = new QStackedWidget(detail);
    m_newChat = new NewChatView(controller, m_pages);
    m_conversationPage = new QWidget(m_pages);
    auto *conversationLayout = new QVBoxLayout(m_conversationPage);
    // The composer brings its own margins: none here, so that it stays where it was on the
    // new-chat screen when the first question turns that screen into the conversation.
    conversationLayout->setContentsMargins(0, 0, 0, 0);
    conversationLayout->setSpacing(8);
    m_messages = new MessageListView(controller, m_viewState, m_conversationPage);
    conversationLayout->addWidget(m_messages, 1);
    m_pages->addWidget(m_newChat);
    m_pages->addWidget(m_conversationPage);
    detailLayout->addWidget(m_pages, 1);
    columns->addWidget(detail, 1);

    m_composer = new ComposerView(controller, settings, this);

    m_toggleSidebar = new QAction(tr("Toggle Sidebar"), this);
    m_toggleSidebar->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S));
    m_toggleSidebar->setShortcutContext(Qt::WindowShortcut);
    addAction(m_toggleSidebar);
    addAction(m_sidebar->newChatAction());
    connect(m_toolbar->sidebarButton(), &QToolButton::clicked, m_toggleSidebar, &QAction::trigger);
    m_toolbar->sidebarButton()->setToolTip(
        tr("Toggle Sidebar (%1)")
            .arg(m_toggleSidebar->shortcut().toString(QKeySequence::NativeText)));
    connect(m_toggleSidebar, &QAction::triggered, &m_viewState, &ChatViewState::toggleColumns);

    m_searchChats = new QAction(tr("Search Chats"), this);
    m_searchChats->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_searchChats->setShortcutContext(Qt::WindowShortcut);
    addAction(m_searchChats);
    connect(m_searchChats, &QAction::triggered, this, &ContentView::searchChats);
    for (const auto &[key, step] : {std::pair{QKeySequence(Qt::Key_F6), 1},
                                    std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F6), -1}}) {
        auto *region = new QShortcut(key, this);
        region->setContext(Qt::WindowShortcut);
        connect(region, &QShortcut::activated, this, [this, step] { moveToRegion(step); });
    }
    // Text fields take Ctrl+K for "delete to the end of the line" and would keep it from the
    // window; here it searches wherever the keyboard is.
    qApp->installEventFilter(this);
    connect(m_sidebar, &SidebarView::searchResultOpened, m_messages,
            [this](const QUuid &chatId, const QUuid &messageId) {
                if (!messageId.isNull() && m_controller.sidebarItem() == chatId)
                    m_messages->revealMessage(messageId);
            });

    connect(m_sidebar, &SidebarView::settingsRequested, this, &ContentView::settingsRequested);
    ChatList &chats = controller.chatList();
    connect(&chats, &ChatList::storeNoticeChanged, this,
            [this, &chats] { m_storeNotice->setNotice(chats.storeNotice()); });
    connect(m_storeNotice, &StoreNoticeBanner::retryRequested, &chats, &ChatList::retryStore);
    connect(m_storeNotice, &StoreNoticeBanner::dismissRequested, &chats,
            &ChatList::dismissStoreNotice);
    m_storeNotice->setNotice(chats.storeNotice());
    connect(&controller, &ConversationController::sidebarItemChanged, this,
            &ContentView::showSidebarItem);
    // Another conversation, or none, starts unscrolled.
    connect(&controller, &ConversationController::sidebarItemChanged, &m_viewState,
            [this] { m_viewState.setChatTitleBlurProgress(0); });
    connect(&controller, &ConversationController::windowReset, &m_viewState,
            [this](bool onboardingCompleted) {
                m_viewState.reset();
                if (!onboardingCompleted)
                    m_viewState.setShouldRestoreMainWindowFromOnboarding(true);
            });
    connect(&m_viewState, &ChatViewState::columnVisibilityChanged, this, &ContentView::showColumns);
    connect(&m_viewState, &ChatViewState::chatTitleBlurProgressChanged, this,
            &ContentView::showToolbarBand);
    connect(m_newChat, &NewChatView::scrollProgressChanged, &m_viewState, [this](qreal progress) {
        if (!m_controller.sidebarItem())
            m_viewState.setChatTitleBlurProgress(progress);
    });
    connect(&m_viewState, &ChatViewState::shouldRestoreMainWindowFromOnboardingChanged, this,
            &ContentView::restoreDefaultSizeIfAsked);
    connect(&settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme)
            applyScheme();
        else if (key == SettingsKeys::showThinking)
            m_messages->setShowsThoughts(m_settings.showThinking());
    });
    m_messages->setShowsThoughts(settings.showThinking());
    connect(&appearance, &SystemAppearance::changed, this, &ContentView::applyScheme);

    applyScheme();
    showSidebarItem();
    setSidebarWidth(m_viewState.columnVisibility() == ChatViewState::ColumnVisibility::All
                        ? SidebarView::columnWidth
                        : 0);
    showToolbarBand();
}

int ContentView::sidebarWidth() const
{
    return m_sidebarColumn->width();
}

void ContentView::setSidebarWidth(int width)
{
    m_sidebarColumn->setFixedWidth(width);
    // Anchored at the trailing edge, so the sidebar slides in from the window's edge.
    m_sidebar->setGeometry(width - SidebarView::columnWidth, 0, SidebarView::columnWidth,
                           m_sidebarColumn->height());
    m_sidebar->setVisible(width > 0);
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_sidebarColumn && event->type() == QEvent::Resize)
        setSidebarWidth(m_sidebarColumn->width());
    if (watched == window() && event->type() == QEvent::WindowActivate
        && m_focusComposerOnActivation) {
        m_focusComposerOnActivation = false;
        // After the activation, which gives the focus back as it ends.
        QTimer::singleShot(0, m_composer, [this] {
            if (!QApplication::focusWidget() || !isAncestorOf(QApplication::focusWidget())
                || m_toolbar->isAncestorOf(QApplication::focusWidget()))
                m_composer->focusTextField();
        });
    }
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        // Left unaccepted, the override lets the window's shortcut have the key.
        if (widget && widget->window() == window() && isAncestorOf(widget)
            && key->keyCombination() == QKeyCombination(Qt::CTRL, Qt::Key_K)) {
            event->ignore();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ContentView::searchChats()
{
    if (m_viewState.columnVisibility() != ChatViewState::ColumnVisibility::All)
        m_viewState.setColumnVisibility(ChatViewState::ColumnVisibility::All);
    m_sidebar->focusSearch();
}

void ContentView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    restoreDefaultSizeIfAsked();
    // Typing at once goes into the composer, not into the first control of the tab order.
    if (!m_shownBefore) {
        m_shownBefore = true;
        m_composer->focusTextField();
        // The window may be shown before it is active, and the desktop's activation hand
        // the keyboard to the first control of the window instead: the composer takes it
        // when the window is first activated too.
        m_focusComposerOnActivation = true;
        window()->installEventFilter(this);
    }
}

void ContentView::restoreDefaultSizeIfAsked()
{
    if (!m_viewState.shouldRestoreMainWindowFromOnboarding() || !isVisible())
        return;
    QWidget *frame = window();
    frame->resize(frame->size() - size() + QSize(1100, 760));
    if (const QScreen *screen = frame->screen()) {
        QRect geometry = frame->frameGeometry();
        geometry.moveCenter(screen->availableGeometry().center());
        frame->move(geometry.topLeft());
    }
    m_viewState.setShouldRestoreMainWindowFromOnboarding(false);
}

void ContentView::applyScheme()
{
    const ColorSchemePreference preference = AppThemes::colorScheme(m_settings.appTheme());
    m_dark = AppThemes::isDark(preference, m_appearance.isDark());
    setPalette(AppColors::palette(m_dark));
}

void ContentView::showSidebarItem()
{
    // One composer serves both pages, so a draft and the focus survive the switch.
    QLayout *conversationLayout = m_conversationPage->layout();
    QWidget *page = m_controller.sidebarItem() ? m_conversationPage : m_newChat;
    if (page == m_conversationPage && m_composer->parentWidget() != m_conversationPage) {
        m_newChat->setComposer(nullptr);
        m_composer->setParent(m_conversationPage);
        conversationLayout->addWidget(m_composer);
    } else if (page == m_newChat && m_composer->parentWidget() != m_newChat) {
        conversationLayout->removeWidget(m_composer);
        m_newChat->setComposer(m_composer);
    }
    m_composer->show();
    m_pages->setCurrentWidget(page);
}

void ContentView::showColumns()
{
    const bool shown = m_viewState.columnVisibility() == ChatViewState::ColumnVisibility::All;
    Animations::animate(this, "sidebarWidth", shown ? SidebarView::columnWidth : 0,
                        Animations::hoverSpring());
}

void ContentView::showToolbarBand()
{
    m_toolbar->setScrollProgress(m_viewState.chatTitleBlurProgress());
}

QList<QWidget *> ContentView::tabStops(QWidget *current, qsizetype *currentAt) const
{
    // Widgets join the focus chain as they are made, so a message's buttons made while it
    // streams, or a row built as it scrolls into view, would come after the composer. The
    // chain still orders the widgets of one part of a message, of the sidebar or of the
    // composer; the regions, the rows and the parts of a row are put in the order they have
    // on screen.
    struct Stop
    {
        int region;
        int block;
        int row;
        // Within a message, the part (its text, its sources, its buttons) from top to bottom.
        int part;
        qsizetype chain;
        QWidget *widget;
        auto key() const { return std::tie(region, block, row, part, chain); }
    };
    ChatScrollView *conversation = m_messages->scrollView();
    QWidget *messages = conversation->widget();
    const auto stopOf = [&](QWidget *widget, qsizetype chain) {
        Stop stop{2, 0, 0, 0, chain, widget};
        if (m_toolbar->isAncestorOf(widget)) {
            stop.region = 0;
        } else if (m_sidebarColumn->isAncestorOf(widget)) {
            stop.region = 1;
        } else if (conversation->isAncestorOf(widget)) {
            stop.block = conversation->mapTo(this, QPoint()).y();
            // The list itself comes before its messages.
            stop.row = -1;
            if (widget != messages && messages->isAncestorOf(widget)) {
                QWidget *part = widget;
                QWidget *row = widget;
                while (row->parentWidget() != messages) {
                    part = row;
                    row = row->parentWidget();
                }
                stop.row = row->y();
                stop.part = part == row ? 0 : part->y();
            }
        } else {
            QWidget *block = m_composer->isAncestorOf(widget) ? m_composer : widget;
            stop.block = block->mapTo(this, QPoint()).y();
        }
        return stop;
    };
    QList<Stop> stops;
    std::optional<Stop> currentStop;
    qsizetype chain = 0;
    QWidget *widget = const_cast<ContentView *>(this);
    do {
        widget = widget->nextInFocusChain();
        ++chain;
        if (!isAncestorOf(widget))
            continue;
        if (widget == current)
            currentStop = stopOf(widget, chain);
        else if ((widget->focusPolicy() & Qt::TabFocus) && !widget->focusProxy()
                 && widget->isVisible() && widget->isEnabled())
            stops.append(stopOf(widget, chain));
    } while (widget != this);
    if (currentStop)
        stops.append(*currentStop);
    std::sort(stops.begin(), stops.end(),
              [](const Stop &a, const Stop &b) { return a.key() < b.key(); });
    QList<QWidget *> widgets;
    widgets.reserve(stops.size());
    for (const Stop &stop : std::as_const(stops)) {
        if (stop.widget == current)
            *currentAt = widgets.size();
        widgets.append(stop.widget);
    }
    return widgets;
}

bool ContentView::focusNextPrevChild(bool next)
{
    // The focus widget has a place in the order even when it is no stop (a message's text,
    // which takes the focus only from a click): Tab goes on from there.
    QWidget *current = QApplication::focusWidget();
    qsizetype at = -1;
    const QList<QWidget *> stops = tabStops(current, &at);
    if (stops.size() - (at >= 0 ? 1 : 0) < 1)
        return QWidget::focusNextPrevChild(next);
    const qsizetype step = next ? 1 : stops.size() - 1;
    const qsizetype target = at < 0 ? (next ? 0 : stops.size() - 1) : (at + step) % stops.size();
    QWidget *stop = stops.at(target);
    stop->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    // Into view, as a scroll area does for Tab inside it: the conversation, or the new-chat
    // screen in a short window.
    for (QWidget *ancestor = stop->parentWidget(); ancestor && ancestor != this;
         ancestor = ancestor->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(ancestor))
            area->ensureWidgetVisible(stop);
    }
    return true;
}

void ContentView::moveToRegion(int step)
{
    // Where each region takes the keyboard: the sidebar's search while it searches, else its
    // list; the conversation's scrolling view; the composer's field.
    QWidget *sidebar = m_sidebar->searchField()->text().isEmpty()
        ? static_cast<QWidget *>(m_sidebar->listView())
        : static_cast<QWidget *>(m_sidebar->searchField());
    const QList<QWidget *> regions{sidebarWidth() > 0 ? sidebar : nullptr,
                                   m_controller.sidebarItem() ? m_messages->scrollView() : nullptr,
                                   m_composer->textEdit()};
    const QList<QWidget *> containers{m_sidebar, m_messages, m_composer};
    QWidget *focused = QApplication::focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < containers.size(); ++i) {
        if (focused && (containers.at(i) == focused || containers.at(i)->isAncestorOf(focused)))
            at = i;
    }
    if (at < 0)
        at = step > 0 ? regions.size() - 1 : 0;
    for (qsizetype n = 1; n <= regions.size(); ++n) {
        QWidget *next = regions.at((at + step * n + regions.size() * 2) % regions.size());
        if (next && next->isVisible()) {
            next->setFocus(Qt::TabFocusReason);
            return;
        }
    }
}
