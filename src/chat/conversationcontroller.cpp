#include "chat/conversationcontroller.h"

#include "chat/appevents.h"
#include "chat/chatlistoperations.h"
#include "chat/chatstore.h"
#include "chat/newchatlabels.h"
#include "chat/settings.h"
#include "chat/systemprompt.h"
#include "search/searchmode.h"

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// However fast pieces arrive, the message list re-renders at most this often.
constexpr auto streamPulseInterval = 50ms;
constexpr auto selectionFocusDelay = 100ms;
constexpr auto importFocusDelay = 350ms;
constexpr auto openFocusDelay = 200ms;

// Stores `value`; whether that changed anything, so that a change signal goes out only then.
template<typename T>
bool assign(T &member, const T &value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

ConversationController::ConversationController(Settings &settings, ChatStore &store,
                                               AppEvents &events, QNetworkAccessManager &network,
                                               Clock clock, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_store(store)
    , m_events(events)
    , m_pipeline(settings, network)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
    , m_onboardingCompleted(settings.hasCompletedOnboarding())
{
    if (const ChatStoreResult<QList<ChatSession>> stored = m_store.load()) {
        m_sessions = stored.value();
        m_base = m_sessions;
        noteDamage();
    } else {
        noteStoreError(stored.error());
    }

    // The window returns to its default size once the first-run flow is done.
    m_shouldRestoreMainWindowFromOnboarding = !m_onboardingCompleted;

    m_streamPulse.setSingleShot(true);
    m_streamPulse.setInterval(streamPulseInterval);
    connect(&m_streamPulse, &QTimer::timeout, this, &ConversationController::bumpStreamVersion);

    connect(&m_settings, &Settings::changed, this, &ConversationController::onSettingChanged);
    connect(&m_events, &AppEvents::importDialogChat, this,
            &ConversationController::importDialogExchange);
    connect(&m_events, &AppEvents::chatsDidChangeExternally, this,
            &ConversationController::reloadSessions);
    connect(&m_events, &AppEvents::openChatSession, this, &ConversationController::openSession);
}

ConversationController::~ConversationController()
{
    // Cancelling can resume a task on the spot (an aborted reply finishes at once); it must
    // find the controller gone rather than half destroyed.
    m_closing = true;
    m_titleToken.cancel();
    const QList<RunningAnswer> answers = std::exchange(m_answers, {});
    for (const RunningAnswer &answer : answers)
        answer.token.cancel();
}

std::optional<ChatSession> ConversationController::session(const QUuid &id) const
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, id);
    if (index == -1)
        return std::nullopt;
    return m_sessions.at(index);
}

void ConversationController::setDraft(const QString &draft)
{
    if (m_draft == draft)
        return;
    const bool couldSend = canSend();
    m_draft = draft;
    Q_EMIT draftChanged();
    updateCanSend(couldSend);
}

void ConversationController::setHeroAppeared(bool appeared)
{
    if (assign(m_heroAppeared, appeared))
        Q_EMIT heroAppearedChanged();
}

void ConversationController::setChatTitleBlurProgress(double progress)
{
    if (assign(m_chatTitleBlurProgress, progress))
        Q_EMIT chatTitleBlurProgressChanged();
}

void ConversationController::setColumnVisibility(ColumnVisibility visibility)
{
    if (assign(m_columnVisibility, visibility))
        Q_EMIT columnVisibilityChanged();
}

void ConversationController::setComposerFocused(bool focused)
{
    if (assign(m_composerFocused, focused))
        Q_EMIT composerFocusedChanged();
}

void ConversationController::setShouldRestoreMainWindowFromOnboarding(bool restore)
{
    if (assign(m_shouldRestoreMainWindowFromOnboarding, restore))
        Q_EMIT shouldRestoreMainWindowFromOnboardingChanged();
}

QString ConversationController::greeting() const
{
    return NewChatLabels::greeting(now().toLocalTime().time().hour(), m_settings.userName());
}

QString ConversationController::webSearchLabel() const
{
    return NewChatLabels::webSearchLabel(m_settings.webSearchModeChoice());
}

bool ConversationController::webSearchActive() const
{
    return m_settings.webSearchModeChoice() == WebSearchMode::Always;
}

bool ConversationController::canSend() const
{
    return !m_isLoading && !m_draft.trimmed().isEmpty();
}

void ConversationController::sendMessage()
{
    if (!canSend())
        return;
    const QString text = m_draft.trimmed();
    setDraft(QString());
    setLoading(true);

    qsizetype index
        = m_sidebarItem ? ChatListOperations::indexOf(m_sessions, *m_sidebarItem) : qsizetype(-1);
    const bool created = index == -1;
    if (created) {
        m_sessions.prepend(ChatSession::create(now()));
        index = 0;
    }
    ChatSession &session = m_sessions[index];
    const bool wasArchived = session.isArchived;
    const bool isFirstMessage = session.messages.isEmpty();
    // Writing in an archived chat brings it back.
    session.isArchived = false;
    session.messages.append(ChatMessage(ChatMessage::Role::User, text));
    session.updatedAt = now().toUTC();

    AnswerRequest request;
    request.sessionId = session.id;
    request.text = text;
    request.history = session.messages;
    request.systemPrompt = buildSystemPrompt(m_settings.systemPrompt(), m_settings.userName(),
                                             m_settings.activePromptSuggestions());
    request.searchMode = m_settings.webSearchModeChoice();

    Q_EMIT sessionsChanged();
    if (created)
        setSidebarItem(request.sessionId);
    save();
    // The settings window lists archived chats; this one just left that list.
    if (wasArchived)
        m_events.postChatsDidChangeExternally();
    if (isFirstMessage)
        requestTitle(request.sessionId, text);
    startAnswer(std::move(request));
}

void ConversationController::stopStreaming()
{
    if (!m_streamTask)
        return;
    const CancellationToken token = m_streamTask->token;
    setStreamTask(std::nullopt);
    // The task ends through failAnswer, which clears isLoading.
    token.cancel();
}

void ConversationController::startAnswer(AnswerRequest request)
{
    const AnswerTaskId taskId = ++m_newestAnswer;
    const CancellationToken token;
    m_answers.append({taskId, token, request.sessionId, {}});
    setStreamTask(StreamTask{taskId, token});
    runAnswer(QPointer<ConversationController>(this), taskId, token, std::move(request));
}

bool ConversationController::isGone(const QPointer<ConversationController> &self)
{
    return !self || self->m_closing;
}

QCoro::Task<> ConversationController::runAnswer(QPointer<ConversationController> self,
                                                AnswerTaskId taskId, CancellationToken token,
                                                AnswerRequest request)
{
    const QUuid sessionId = request.sessionId;
    // Set once the model answers; the frame outlives the pipeline's calls.
    QUuid messageId;
    AnswerPipeline::Observer observer;
    observer.searching = [self, taskId](bool searching) {
        if (!isGone(self))
            self->setSearchingFor(taskId, searching);
    };
    observer.answering = [self, taskId, sessionId, &messageId] {
        if (!isGone(self))
            messageId = self->beginAnswerMessage(taskId, sessionId);
    };
    observer.piece = [self, sessionId, &messageId](const QString &piece) {
        if (!isGone(self))
            self->appendStreamDelta(sessionId, messageId, piece);
    };
    AnswerPipeline::Question question{
        request.text, request.searchMode,
        [request](const QList<SearchResult> &results) { return request.modelMessages(results); }};
    auto answering = self->m_pipeline.answer(std::move(question), token, std::move(observer));
    const AnswerPipeline::Outcome outcome = co_await std::move(answering);
    if (isGone(self))
        co_return;
    if (outcome.error)
        self->failAnswer(*outcome.error, sessionId, taskId);
    else
        self->finishAnswer(outcome.sources, sessionId, messageId, taskId);
}

QUuid ConversationController::beginAnswerMessage(AnswerTaskId taskId, const QUuid &sessionId)
{
    const ChatMessage message(ChatMessage::Role::Assistant, QString());
    for (RunningAnswer &answer : m_answers) {
        if (answer.id == taskId)
            answer.messageId = message.id;
    }
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index != -1) {
        // Not saved until the answer ends.
        m_sessions[index].messages.append(message);
        Q_EMIT sessionsChanged();
    }
    return message.id;
}

void ConversationController::appendStreamDelta(const QUuid &sessionId, const QUuid &messageId,
                                               const QString &piece)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index == -1)
        return;
    QList<ChatMessage> &messages = m_sessions[index].messages;
    // The answer being written is nearly always the last message.
    auto it = std::find_if(
        messages.rbegin(), messages.rend(),
        [&messageId](const ChatMessage &message) { return message.id == messageId; });
    if (it == messages.rend())
        return;
    it->text += piece;
    if (!m_streamPulse.isActive())
        m_streamPulse.start();
}

void ConversationController::finishAnswer(const QList<SearchResult> &sources,
                                          const QUuid &sessionId, const QUuid &messageId,
                                          AnswerTaskId taskId)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index != -1) {
        ChatSession &session = m_sessions[index];
        if (!sources.isEmpty()) {
            for (ChatMessage &message : session.messages) {
                if (message.id == messageId) {
                    message.sources = sources;
                    break;
                }
            }
        }
        session.updatedAt = now().toUTC();
        Q_EMIT sessionsChanged();
    }
    save();
    endAnswer(taskId);
}

void ConversationController::failAnswer(const LocalLLMError &error, const QUuid &sessionId,
                                        AnswerTaskId taskId)
{
    setSearchingFor(taskId, false);
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index != -1) {
        ChatSession &session = m_sessions[index];
        // A stop is the user's own doing: what arrived stays, and nothing is said about it.
        if (!error.isCancelled())
            session.messages.append(ChatMessage(ChatMessage::Role::Assistant,
                                                error.descriptionOr(u"Something went wrong"_s)));
        session.updatedAt = now().toUTC();
        Q_EMIT sessionsChanged();
    }
    save();
    endAnswer(taskId);
}

void ConversationController::endAnswer(AnswerTaskId taskId)
{
    m_answers.removeIf([taskId](const RunningAnswer &answer) { return answer.id == taskId; });
    if (m_streamTask && m_streamTask->id == taskId)
        setStreamTask(std::nullopt);
    // An older answer that outlived a new chat must not end the busy state of the newer one.
    if (taskId == m_newestAnswer)
        setLoading(false);
}

void ConversationController::requestTitle(const QUuid &sessionId, const QString &firstUserText)
{
    runTitle(QPointer<ConversationController>(this), sessionId, firstUserText, m_titleToken);
}

QCoro::Task<> ConversationController::runTitle(QPointer<ConversationController> self,
                                               QUuid sessionId, QString firstUserText,
                                               CancellationToken token)
{
    const LLMResult<LocalLLMClient> client = self->m_pipeline.modelClient();
    if (!client)
        co_return;
    auto generating = client.value().generateTitle(firstUserText, token);
    const LLMResult<QString> title = co_await generating;
    // A title that could not be made is no loss: the first message stands in for it.
    if (isGone(self) || !title)
        co_return;
    self->applyGeneratedTitle(sessionId, title.value());
}

void ConversationController::applyGeneratedTitle(const QUuid &sessionId, const QString &title)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index == -1 || title.trimmed().isEmpty())
        return;
    ChatSession &session = m_sessions[index];
    // A name the user gave meanwhile wins.
    if (session.customTitle)
        return;
    session.customTitle = title;
    Q_EMIT sessionsChanged();
    save();
}

void ConversationController::startNewChat()
{
    setDraft(QString());
    setLoading(false);
    setHeroAppeared(false);
    setSidebarItem(std::nullopt);
    focusComposerSoon(selectionFocusDelay);
    // Off and on again, so the new-chat screen plays its entrance.
    setHeroAppeared(true);
}

void ConversationController::resetToNewChat(bool onboardingCompleted)
{
    stopStreaming();
    bumpStreamVersion();
    setColumnVisibility(ColumnVisibility::DetailOnly);
    setSidebarItem(std::nullopt);
    setDraft(QString());
    setLoading(false);
    setSearching(false);
    setHeroAppeared(false);
    setRenamingItemId(std::nullopt);
    setChatTitleBlurProgress(0);
    if (!onboardingCompleted)
        setShouldRestoreMainWindowFromOnboarding(true);
}

void ConversationController::selectSession(const QUuid &id)
{
    setSidebarItem(id);
}

void ConversationController::focusComposerSoon(std::chrono::milliseconds delay)
{
    QTimer::singleShot(delay, this, [this] {
        setComposerFocused(true);
        Q_EMIT composerFocusRequested();
    });
}

void ConversationController::beginRename(const QUuid &id)
{
    setRenamingItemId(id);
}

void ConversationController::commitRename(const QUuid &id, const QString &text)
{
    if (ChatListOperations::rename(m_sessions, id, text))
        Q_EMIT sessionsChanged();
    setRenamingItemId(std::nullopt);
    save();
    m_events.postChatsDidChangeExternally();
}

void ConversationController::setArchived(const QUuid &id, bool archived)
{
    // The selection stays: an archived chat that is open stays open, with its banner.
    if (ChatListOperations::setArchived(m_sessions, id, archived))
        Q_EMIT sessionsChanged();
    save();
    m_events.postChatsDidChangeExternally();
}

void ConversationController::restore(const QUuid &id)
{
    if (ChatListOperations::contains(m_sessions, id))
        setArchived(id, false);
}

void ConversationController::deleteSession(const QUuid &id)
{
    if (ChatListOperations::remove(m_sessions, id) > 0)
        Q_EMIT sessionsChanged();
    if (m_sidebarItem == id)
        setSidebarItem(std::nullopt);
    if (m_renamingItemId == id)
        setRenamingItemId(std::nullopt);
    save();
    m_events.postChatsDidChangeExternally();
}

void ConversationController::importDialogExchange(const QString &query, const QString &answer)
{
    std::optional<ChatSession> imported = ChatListOperations::importedSession(query, answer, now());
    if (!imported)
        return;
    const QUuid id = imported->id;
    m_sessions.prepend(std::move(*imported));
    Q_EMIT sessionsChanged();
    setSidebarItem(id);
    save();
    requestTitle(id, query);
    focusComposerSoon(importFocusDelay);
}

void ConversationController::reloadSessions()
{
    const ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored) {
        noteStoreError(stored.error());
        return;
    }
    adoptStored(stored.value());
    noteDamage();
}

void ConversationController::retryStore()
{
    const ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored) {
        noteStoreError(stored.error());
        return;
    }
    if (m_storeNotice.kind != StoreNotice::Kind::Damaged)
        setStoreNotice({});
    adoptStored(stored.value());
    noteDamage();
    // What could not be saved while the store was out of reach is saved now.
    if (m_sessions != m_base)
        save();
}

void ConversationController::dismissStoreNotice()
{
    setStoreNotice({});
}

void ConversationController::adoptStored(const QList<ChatSession> &stored)
{
    QList<ChatSession> merged = ChatListOperations::merge(m_base, m_sessions, stored);
    m_base = stored;
    if (merged == m_sessions)
        return;
    m_sessions = std::move(merged);
    Q_EMIT sessionsChanged();
    // An archived chat that is open stays open; one that is gone cannot.
    if (m_sidebarItem && !ChatListOperations::contains(m_sessions, *m_sidebarItem))
        setSidebarItem(std::nullopt);
}

void ConversationController::setStoreNotice(StoreNotice notice)
{
    if (assign(m_storeNotice, notice))
        Q_EMIT storeNoticeChanged();
}

void ConversationController::noteStoreError(const ChatStoreError &error)
{
    const bool unreadable = error.kind == ChatStoreError::Kind::Unreadable;
    setStoreNotice({unreadable ? StoreNotice::Kind::Unreadable : StoreNotice::Kind::Unsaved,
                    error.path, error.reason});
}

void ConversationController::noteDamage()
{
    // Told once per copy: a notice the user dismissed stays dismissed while the same
    // damaged bytes are read again.
    const QString backup = m_store.lastBackupPath();
    if (backup.isEmpty() || backup == m_announcedBackup)
        return;
    m_announcedBackup = backup;
    setStoreNotice({StoreNotice::Kind::Damaged, backup, {}});
}

void ConversationController::openSession(const QUuid &id)
{
    if (!ChatListOperations::contains(m_sessions, id))
        return;
    selectSession(id);
    focusComposerSoon(openFocusDelay);
}

QDateTime ConversationController::now() const
{
    return m_clock();
}

void ConversationController::save()
{
    const QList<ChatSession> base = m_base;
    const QList<ChatSession> ours = m_sessions;
    const ChatStoreResult<QList<ChatSession>> stored
        = m_store.update([&base, &ours](QList<ChatSession> &sessions) {
              QList<ChatSession> merged = ChatListOperations::merge(base, ours, sessions);
              if (merged == sessions)
                  return false;
              sessions = std::move(merged);
              return true;
          });
    if (!stored) {
        // The list stays in memory, and the next change tries again.
        noteStoreError(stored.error());
        return;
    }
    if (m_storeNotice.kind == StoreNotice::Kind::Unsaved
        || m_storeNotice.kind == StoreNotice::Kind::Unreadable)
        setStoreNotice({});
    m_base = stored.value();
    if (m_base == m_sessions)
        return;
    // Others changed the list meanwhile: the window shows what is stored now.
    m_sessions = m_base;
    Q_EMIT sessionsChanged();
    if (m_sidebarItem && !ChatListOperations::contains(m_sessions, *m_sidebarItem))
        setSidebarItem(std::nullopt);
}

void ConversationController::onSettingChanged(const QString &key)
{
    if (key == SettingsKeys::userName) {
        Q_EMIT greetingChanged();
    } else if (key == SettingsKeys::webSearchMode) {
        Q_EMIT webSearchModeChanged();
    } else if (key == SettingsKeys::hasCompletedOnboarding) {
        // Every write is announced, also one that stores the same value again.
        const bool completed = m_settings.hasCompletedOnboarding();
        if (completed == m_onboardingCompleted)
            return;
        m_onboardingCompleted = completed;
        resetToNewChat(completed);
    }
}

void ConversationController::setSidebarItem(std::optional<QUuid> item)
{
    if (!assign(m_sidebarItem, item))
        return;
    Q_EMIT sidebarItemChanged();
    setChatTitleBlurProgress(0);
    focusComposerSoon(selectionFocusDelay);
}

void ConversationController::setLoading(bool loading)
{
    if (m_isLoading == loading)
        return;
    const bool couldSend = canSend();
    m_isLoading = loading;
    Q_EMIT isLoadingChanged();
    updateCanSend(couldSend);
}

void ConversationController::setSearching(bool searching)
{
    if (assign(m_isSearching, searching))
        Q_EMIT isSearchingChanged();
}

void ConversationController::setSearchingFor(AnswerTaskId taskId, bool searching)
{
    // The flag belongs to the newest answer; an older one still searching does not show.
    if (taskId == m_newestAnswer)
        setSearching(searching);
}

void ConversationController::setStreamTask(std::optional<StreamTask> task)
{
    const bool same
        = task.has_value() == m_streamTask.has_value() && (!task || task->id == m_streamTask->id);
    m_streamTask = std::move(task);
    if (!same)
        Q_EMIT streamTaskChanged();
}

void ConversationController::setRenamingItemId(std::optional<QUuid> id)
{
    if (assign(m_renamingItemId, id))
        Q_EMIT renamingItemIdChanged();
}

void ConversationController::bumpStreamVersion()
{
    ++m_streamVersion;
    Q_EMIT streamVersionChanged(m_streamVersion);
}

void ConversationController::updateCanSend(bool couldSend)
{
    if (canSend() != couldSend)
        Q_EMIT canSendChanged();
}
