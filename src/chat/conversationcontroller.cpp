#include "chat/conversationcontroller.h"

#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/newchatlabels.h"
#include "chat/settings.h"
#include "chat/systemprompt.h"

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

ConversationController::ConversationController(Settings &settings, ChatList &chats,
                                               AppEvents &events, QNetworkAccessManager &network,
                                               Clock clock, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_chats(chats)
    , m_pipeline(settings, network)
    , m_modelChoice(settings, &network)
    , m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
    , m_onboardingCompleted(settings.hasCompletedOnboarding())
{
    m_streamPulse.setSingleShot(true);
    m_streamPulse.setInterval(streamPulseInterval);
    connect(&m_streamPulse, &QTimer::timeout, this, &ConversationController::bumpStreamVersion);

    connect(&m_chats, &ChatList::sessionsChanged, this, &ConversationController::onSessionsChanged);
    connect(&m_settings, &Settings::changed, this, &ConversationController::onSettingChanged);
    connect(&events, &AppEvents::importDialogChat, this,
            &ConversationController::importDialogExchange);
    connect(&events, &AppEvents::openChatSession, this, &ConversationController::openSession);
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

const QList<ChatSession> &ConversationController::sessions() const
{
    return m_chats.sessions();
}

std::optional<ChatSession> ConversationController::session(const QUuid &id) const
{
    return m_chats.session(id);
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

QString ConversationController::greeting() const
{
    return NewChatLabels::greeting(now().toLocalTime().time().hour(), m_settings.userName());
}

QString ConversationController::webSearchLabel() const
{
    return NewChatLabels::webSearchLabel(m_settings.webSearchModeChoice());
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

    const std::optional<ChatSession> open
        = m_sidebarItem ? m_chats.session(*m_sidebarItem) : std::nullopt;
    const bool isFirstMessage = !open || open->messages.isEmpty();
    // Writing in an archived chat brings it back.
    const QUuid id
        = m_chats.addMessage(m_sidebarItem, ChatMessage(ChatMessage::Role::User, text), now());

    AnswerRequest request;
    request.sessionId = id;
    request.text = text;
    request.history = m_chats.session(id)->messages;
    request.systemPrompt = buildSystemPrompt(m_settings.systemPrompt(), m_settings.userName(),
                                             m_settings.activePromptSuggestions());
    request.searchMode = m_settings.webSearchModeChoice();

    if (!open)
        setSidebarItem(id);
    if (isFirstMessage)
        requestTitle(id, text);
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
    const auto changeAnswer = [self, sessionId, &messageId](auto change) {
        if (!isGone(self))
            self->updateStreamingAnswer(sessionId, messageId, change);
    };
    observer.reasoning = [changeAnswer](const QString &piece) {
        changeAnswer([&piece](ChatMessage &message) { message.reasoning += piece; });
    };
    observer.answerWasThought = [changeAnswer] {
        changeAnswer(
            [](ChatMessage &message) { message.reasoning += std::exchange(message.text, {}); });
    };
    observer.thoughtEnded = [changeAnswer](double seconds) {
        changeAnswer([seconds](ChatMessage &message) {
            message.reasoning = message.reasoning.trimmed();
            message.thinkingSeconds = seconds;
        });
    };
    AnswerPipeline::Question question{
        request.text, request.searchMode,
        [request](const QList<SearchResult> &results) { return request.modelMessages(results); }};
    auto answering = self->m_pipeline.answer(std::move(question), token, std::move(observer));
    const AnswerPipeline::Outcome outcome = co_await std::move(answering);
    if (isGone(self))
        co_return;
    // The thought as the pipeline settled it, also when the answer was stopped within it.
    if (!outcome.reasoning.isEmpty()) {
        self->updateStreamingAnswer(sessionId, messageId, [&outcome](ChatMessage &message) {
            message.reasoning = outcome.reasoning;
            message.thinkingSeconds = outcome.thinkingSeconds;
        });
    }
    if (!outcome.model.isEmpty()) {
        self->updateStreamingAnswer(sessionId, messageId, [&outcome](ChatMessage &message) {
            message.model = outcome.model;
            message.stats = outcome.stats;
        });
        self->m_modelChoice.noteAnswer(outcome.model, outcome.unlistedModel);
    }
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
    m_chats.beginAnswer(sessionId, message);
    return message.id;
}

void ConversationController::appendStreamDelta(const QUuid &sessionId, const QUuid &messageId,
                                               const QString &piece)
{
    if (m_chats.appendToAnswer(sessionId, messageId, piece) && !m_streamPulse.isActive())
        m_streamPulse.start();
}

void ConversationController::updateStreamingAnswer(const QUuid &sessionId, const QUuid &messageId,
                                                   const std::function<void(ChatMessage &)> &change)
{
    if (m_chats.updateAnswer(sessionId, messageId, change) && !m_streamPulse.isActive())
        m_streamPulse.start();
}

void ConversationController::finishAnswer(const QList<SearchResult> &sources,
                                          const QUuid &sessionId, const QUuid &messageId,
                                          AnswerTaskId taskId)
{
    m_chats.finishAnswer(sessionId, messageId, sources, now());
    endAnswer(taskId);
}

void ConversationController::failAnswer(const LocalLLMError &error, const QUuid &sessionId,
                                        AnswerTaskId taskId)
{
    setSearchingFor(taskId, false);
    // A stop is the user's own doing: what arrived stays, and nothing is said about it.
    m_chats.failAnswer(
        sessionId, error.isCancelled() ? QString() : error.descriptionOr(u"Something went wrong"_s),
        now());
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
    m_chats.setGeneratedTitle(sessionId, title);
}

void ConversationController::startNewChat()
{
    setDraft(QString());
    setLoading(false);
    setSidebarItem(std::nullopt);
    focusComposerSoon(selectionFocusDelay);
    Q_EMIT newChatStarted();
}

void ConversationController::resetToNewChat(bool onboardingCompleted)
{
    stopStreaming();
    bumpStreamVersion();
    setSidebarItem(std::nullopt);
    setDraft(QString());
    setLoading(false);
    setSearching(false);
    setRenamingItemId(std::nullopt);
    Q_EMIT windowReset(onboardingCompleted);
}

void ConversationController::selectSession(const QUuid &id)
{
    setSidebarItem(id);
}

void ConversationController::focusComposerSoon(std::chrono::milliseconds delay)
{
    QTimer::singleShot(delay, this, &ConversationController::composerFocusRequested);
}

void ConversationController::beginRename(const QUuid &id)
{
    setRenamingItemId(id);
}

void ConversationController::commitRename(const QUuid &id, const QString &text)
{
    m_chats.rename(id, text);
    setRenamingItemId(std::nullopt);
}

void ConversationController::setArchived(const QUuid &id, bool archived)
{
    // The selection stays: an archived chat that is open stays open, with its banner.
    m_chats.setArchived(id, archived);
}

void ConversationController::restore(const QUuid &id)
{
    if (m_chats.contains(id))
        setArchived(id, false);
}

void ConversationController::deleteSession(const QUuid &id)
{
    m_chats.remove(id);
    if (m_sidebarItem == id)
        setSidebarItem(std::nullopt);
    if (m_renamingItemId == id)
        setRenamingItemId(std::nullopt);
}

void ConversationController::importDialogExchange(const QString &query, const QString &answer,
                                                  const QString &reasoning,
                                                  std::optional<double> thinkingSeconds,
                                                  const QString &model,
                                                  const std::optional<AnswerStats> &stats)
{
    ChatMessage message(ChatMessage::Role::Assistant, answer);
    message.reasoning = reasoning;
    message.thinkingSeconds = thinkingSeconds;
    message.model = model;
    message.stats = stats;
    const std::optional<QUuid> id = m_chats.importExchange(query, message, now());
    if (!id)
        return;
    setSidebarItem(*id);
    requestTitle(*id, query);
    focusComposerSoon(importFocusDelay);
}

void ConversationController::onSessionsChanged()
{
    Q_EMIT sessionsChanged();
    if (m_sidebarItem && !m_chats.contains(*m_sidebarItem))
        setSidebarItem(std::nullopt);
}

void ConversationController::openSession(const QUuid &id)
{
    if (!m_chats.contains(id))
        return;
    selectSession(id);
    focusComposerSoon(openFocusDelay);
}

QDateTime ConversationController::now() const
{
    return m_clock();
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
