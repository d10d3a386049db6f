#include "main_window/messagelistview.h"

#include "chat/conversationcontroller.h"
#include "main_window/archivedbanner.h"
#include "main_window/chatfloatingtitlebar.h"
#include "main_window/chatscrollview.h"
#include "main_window/chattopscrollfade.h"
#include "main_window/chatviewstate.h"
#include "main_window/messagelistrows.h"
#include "markdown/markdownplaintext.h"
#include "widgets/announcer.h"

#include <QEvent>
#include <QKeySequence>
#include <QShortcut>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MessageListView::MessageListView(ConversationController &controller, ChatViewState &viewState,
                                 QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_scroll(new ChatScrollView(this))
    , m_banner(new ArchivedBanner(this))
    , m_fade(new ChatTopScrollFade(this))
    , m_titleBar(new ChatFloatingTitleBar(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins({});
    layout->setSpacing(0);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(m_banner);
    m_banner->hide();
    // Over the list, not in the layout.
    m_fade->raise();
    m_titleBar->raise();
    // The overlays follow the viewport, which narrows when the scroll bar appears.
    m_scroll->viewport()->installEventFilter(this);

    connect(m_banner, &ArchivedBanner::restoreRequested, this, [this] {
        if (m_sessionId)
            m_controller.restore(*m_sessionId);
    });
    connect(m_scroll, &ChatScrollView::scrollProgressChanged, &viewState,
            &ChatViewState::setChatTitleBlurProgress);
    connect(m_scroll, &ChatScrollView::scrollOffsetChanged, m_fade,
            &ChatTopScrollFade::setScrollOffset);
    connect(&viewState, &ChatViewState::chatTitleBlurProgressChanged, this,
            [this, &viewState] { m_titleBar->setProgress(viewState.chatTitleBlurProgress()); });

    connect(&m_controller, &ConversationController::sessionsChanged, this,
            &MessageListView::showConversation);
    connect(&m_controller, &ConversationController::sidebarItemChanged, this,
            &MessageListView::showConversation);
    connect(&m_controller, &ConversationController::isLoadingChanged, this, [this] {
        showConversation();
        if (m_controller.isLoading())
            m_scroll->scheduleScroll();
        else
            announceAnswer();
    });
    connect(&m_controller, &ConversationController::isSearchingChanged, this, [this] {
        showConversation();
        if (m_controller.isSearching()) {
            m_scroll->scheduleScroll();
            Announcer::announce(this, tr("Searching the web"));
        }
    });
    connect(&m_controller, &ConversationController::streamVersionChanged, this,
            &MessageListView::showStreamPulse);
    connectMessageActions();
    showConversation();
}

// A screen reader hears the answer once, whole, when it has come; not piece by piece.
void MessageListView::announceAnswer()
{
    const std::optional<QUuid> selected = m_controller.sidebarItem();
    const std::optional<ChatSession> session
        = selected ? m_controller.session(*selected) : std::nullopt;
    if (!session || session->messages.isEmpty()
        || session->messages.last().role != ChatMessage::Role::Assistant)
        return;
    Announcer::announce(this, MarkdownPlainText::fromMarkdown(session->messages.last().text));
}

void MessageListView::showConversation()
{
    const std::optional<QUuid> selected = m_controller.sidebarItem();
    const std::optional<ChatSession> session
        = selected ? m_controller.session(*selected) : std::nullopt;
    const QList<ChatMessage> messages = session ? session->messages : QList<ChatMessage>();
    const std::optional<QUuid> shown = session ? std::optional<QUuid>(session->id) : std::nullopt;

    const bool opened = shown != m_sessionId;
    const bool countChanged = messages.size() != m_messageCount;
    m_sessionId = shown;
    m_messageCount = messages.size();

    m_scroll->setRows(MessageListRows::rows(messages, m_controller.isLoading(),
                                            m_controller.isSearching(),
                                            m_controller.editingMessageId()),
                      messages);
    m_titleBar->setTitle(session ? session->title() : QString());
    m_banner->setVisible(session && session->isArchived);
    // A conversation just opened starts at its end at once; later growth eases down.
    if (opened)
        m_scroll->scheduleScroll(true);
    else if (countChanged)
        m_scroll->scheduleScroll();
}

void MessageListView::connectMessageActions()
{
    ConversationController *controller = &m_controller;
    connect(m_scroll, &ChatScrollView::regenerateRequested, controller,
            &ConversationController::regenerate);
    connect(m_scroll, &ChatScrollView::versionRequested, controller,
            &ConversationController::chooseVersion);
    connect(m_scroll, &ChatScrollView::editRequested, controller,
            &ConversationController::beginEdit);
    connect(m_scroll, &ChatScrollView::editSubmitted, controller,
            &ConversationController::submitEdit);
    connect(m_scroll, &ChatScrollView::editCancelled, controller,
            &ConversationController::cancelEdit);
    connect(controller, &ConversationController::editingMessageIdChanged, this,
            &MessageListView::showConversation);
    auto *regenerate = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this);
    regenerate->setContext(Qt::WindowShortcut);
    connect(regenerate, &QShortcut::activated, controller, &ConversationController::regenerate);
}

void MessageListView::setShowsThoughts(bool shows)
{
    m_scroll->setShowsThoughts(shows);
}

void MessageListView::revealMessage(const QUuid &id)
{
    m_scroll->revealRow(id);
}

void MessageListView::showStreamPulse()
{
    if (m_sessionId && m_controller.isLoading()) {
        const std::optional<ChatSession> session = m_controller.session(*m_sessionId);
        if (session && !session->messages.isEmpty()
            && session->messages.constLast().role == ChatMessage::Role::Assistant)
            m_scroll->updateMessage(session->messages.constLast());
    }
    m_scroll->scheduleScroll();
}

bool MessageListView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize)
        placeOverlays();
    return QWidget::eventFilter(watched, event);
}

void MessageListView::placeOverlays()
{
    // Clear of the scroll bar, so that it stays reachable under the title.
    const QPoint origin = m_scroll->viewport()->mapTo(this, QPoint(0, 0));
    const int width = m_scroll->viewport()->width();
    m_fade->setGeometry(origin.x(), origin.y(), width, ChatTopScrollFade::fadeHeight);
    m_titleBar->setGeometry(origin.x(), origin.y(), width, m_titleBar->sizeHint().height());
}
