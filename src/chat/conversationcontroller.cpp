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
    m_undoTimer.setSingleShot(true);
    m_undoTimer.setInterval(undoDuration);
    connect(&m_undoTimer, &QTimer::timeout, this, [this] { setUndo(std::nullopt); });

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

bool ConversationController::addAttachment(const Attachment &attachment)
{
    if (m_draftAttachments.size() >= Attachment::maxPerQuestion)
        return false;
    QList<Attachment> attachments = m_draftAttachments;
    attachments.append(attachment);
    setDraftAttachments(std::move(attachments));
    return true;
}

void ConversationController::removeAttachment(qsizetype index)
{
    if (index < 0 || index >= m_draftAttachments.size())
        return;
    QList<Attachment> attachments = m_draftAttachments;
    attachments.removeAt(index);
    setDraftAttachments(std::move(attachments));
}

void ConversationController::setDraftAttachments(QList<Attachment> attachments)
{
    if (m_draftAttachments == attachments)
        return;
    const bool couldSend = canSend();
    m_draftAttachments = std::move(attachments);
    Q_EMIT draftAttachmentsChanged();
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
    return !m_isLoading && (!m_draft.trimmed().isEmpty() || !m_draftAttachments.isEmpty());
}

void ConversationController::sendMessage()
{
    if (!canSend())
        return;
    const QString text = m_draft.trimmed();
    ChatMessage question(ChatMessage::Role::User, text);
    question.attachments = m_draftAttachments;
    setDraft(QString());
    setDraftAttachments({});
    // The conversation moves on: an earlier state is no longer one to go back to.
    setUndo(std::nullopt);
    setEditingMessageId(std::nullopt);
    setLoading(true);

    const std::optional<ChatSession> open
        = m_sidebarItem ? m_chats.session(*m_sidebarItem) : std::nullopt;
    const bool isFirstMessage = !open || open->messages.isEmpty();
    // Writing in an archived chat brings it back.
    const QUuid id = m_chats.addMessage(m_sidebarItem, question, now());
    AnswerRequest request = requestFor(id, m_chats.session(id)->messages);

    if (!open)
        setSidebarItem(id);
    // A question that is only a file is titled after the file.
    if (isFirstMessage)
        requestTitle(id, text.isEmpty() ? question.attachments.first().name : text);
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

void ConversationController::startAnswer(AnswerRequest request, const QUuid &answerId,
                                         std::optional<qsizetype> previousVersion)
{
    const AnswerTaskId taskId = ++m_newestAnswer;
    const CancellationToken token;
    m_answers.append({taskId, token, request.sessionId, answerId, previousVersion});
    setStreamTask(StreamTask{taskId, token});
    runAnswer(QPointer<ConversationController>(this), taskId, token, std::move(request), answerId);
}

bool ConversationController::isGone(const QPointer<ConversationController> &self)
{
    return !self || self->m_closing;
}

QCoro::Task<> ConversationController::runAnswer(QPointer<ConversationController> self,
                                                AnswerTaskId taskId, CancellationToken token,
                                                AnswerRequest request, QUuid answerId)
{
    const QUuid sessionId = request.sessionId;
    // Set once the model answers, or from the start for an answer asked for again; the frame
    // outlives the pipeline's calls.
    QUuid messageId = answerId;
    AnswerPipeline::Observer observer;
    observer.searching = [self, taskId](bool searching) {
        if (!isGone(self))
            self->setSearchingFor(taskId, searching);
    };
    observer.answering = [self, taskId, sessionId, &messageId] {
        if (!isGone(self) && messageId.isNull())
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
    // An answer undone with its edit leaves the restored conversation alone.
    if (!runningAnswer(taskId))
        return;
    m_chats.finishAnswer(sessionId, messageId, sources, now());
    endAnswer(taskId);
}

void ConversationController::failAnswer(const LocalLLMError &error, const QUuid &sessionId,
                                        AnswerTaskId taskId)
{
    const RunningAnswer *answer = runningAnswer(taskId);
    if (!answer)
        return;
    setSearchingFor(taskId, false);
    // A stop is the user's own doing: what arrived stays, and nothing is said about it.
    const QString failure
        = error.isCancelled() ? QString() : error.descriptionOr(u"Something went wrong"_s);
    if (answer->previousVersion)
        m_chats.failRegeneration(sessionId, answer->messageId, *answer->previousVersion, failure,
                                 now());
    else
        m_chats.failAnswer(sessionId, failure, now());
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

const ConversationController::RunningAnswer *
ConversationController::runningAnswer(AnswerTaskId taskId) const
{
    for (const RunningAnswer &answer : m_answers) {
        if (answer.id == taskId)
            return &answer;
    }
    return nullptr;
}

AnswerRequest ConversationController::requestFor(const QUuid &sessionId,
                                                 const QList<ChatMessage> &history) const
{
    AnswerRequest request;
    request.sessionId = sessionId;
    // What is looked up on the web: the question the answer is for.
    const auto question
        = std::find_if(history.crbegin(), history.crend(), [](const ChatMessage &message) {
              return message.role == ChatMessage::Role::User;
          });
    request.text = question == history.crend() ? QString() : question->text.trimmed();
    request.history = history;
    request.systemPrompt = buildSystemPrompt(m_settings.systemPrompt(), m_settings.userName(),
                                             m_settings.activePromptSuggestions());
    request.searchMode = m_settings.webSearchModeChoice();
    request.attachmentTextLimit = m_settings.attachmentTextLimit();
    return request;
}

bool ConversationController::isAnswering(const QUuid &sessionId) const
{
    return std::any_of(
        m_answers.cbegin(), m_answers.cend(),
        [&sessionId](const RunningAnswer &answer) { return answer.sessionId == sessionId; });
}

bool ConversationController::canRegenerate() const
{
    // An answer of a chat left for a new one may still stream in it.
    if (m_isLoading || !m_sidebarItem || isAnswering(*m_sidebarItem))
        return false;
    const std::optional<ChatSession> open = m_chats.session(*m_sidebarItem);
    return open && open->messages.size() >= 2
        && open->messages.constLast().role == ChatMessage::Role::Assistant;
}

void ConversationController::regenerate()
{
    if (!canRegenerate())
        return;
    const ChatSession open = *m_chats.session(*m_sidebarItem);
    const QUuid answerId = open.messages.constLast().id;
    const std::optional<qsizetype> previous = m_chats.beginRegeneration(open.id, answerId);
    if (!previous)
        return;
    setUndo(std::nullopt);
    setEditingMessageId(std::nullopt);
    setLoading(true);
    startAnswer(requestFor(open.id, open.messages.first(open.messages.size() - 1)), answerId,
                previous);
}

void ConversationController::chooseVersion(const QUuid &messageId, qsizetype index)
{
    // The answer that streams has no version to leave yet.
    const bool streaming = std::any_of(
        m_answers.cbegin(), m_answers.cend(),
        [&messageId](const RunningAnswer &answer) { return answer.messageId == messageId; });
    if (!m_sidebarItem || streaming)
        return;
    m_chats.chooseVersion(*m_sidebarItem, messageId, index);
}

void ConversationController::beginEdit(const QUuid &messageId)
{
    if (canEdit())
        setEditingMessageId(messageId);
}

void ConversationController::editLastQuestion()
{
    const std::optional<ChatSession> open
        = m_sidebarItem ? m_chats.session(*m_sidebarItem) : std::nullopt;
    if (!open)
        return;
    for (auto it = open->messages.crbegin(); it != open->messages.crend(); ++it) {
        if (it->role == ChatMessage::Role::User) {
            beginEdit(it->id);
            return;
        }
    }
}

void ConversationController::cancelEdit()
{
    setEditingMessageId(std::nullopt);
    focusComposerSoon(0ms);
}

void ConversationController::submitEdit(const QUuid &messageId, const QString &text)
{
    const QString question = text.trimmed();
    const std::optional<ChatSession> before
        = m_sidebarItem ? m_chats.session(*m_sidebarItem) : std::nullopt;
    if (!canEdit() || question.isEmpty() || !before || isAnswering(before->id)
        || !m_chats.replaceQuestion(before->id, messageId, question, now())) {
        cancelEdit();
        return;
    }
    setEditingMessageId(std::nullopt);
    setLoading(true);
    const ChatSession after = *m_chats.session(before->id);
    startAnswer(requestFor(after.id, after.messages));
    setUndo(EditUndo{*before, m_newestAnswer});
    focusComposerSoon(0ms);
}

void ConversationController::undoEdit()
{
    if (!m_undo)
        return;
    const EditUndo undo = *m_undo;
    setUndo(std::nullopt);
    if (const RunningAnswer *answer = runningAnswer(undo.taskId)) {
        const CancellationToken token = answer->token;
        // Forgotten before it is stopped, so that its end leaves the restored chat alone.
        endAnswer(undo.taskId);
        setSearching(false);
        token.cancel();
    }
    m_chats.restoreSession(undo.before);
}

void ConversationController::setEditingMessageId(std::optional<QUuid> id)
{
    if (assign(m_editingMessageId, id))
        Q_EMIT editingMessageIdChanged();
}

void ConversationController::setUndo(std::optional<EditUndo> undo)
{
    const bool could = m_undo.has_value();
    m_undo = std::move(undo);
    if (m_undo)
        m_undoTimer.start();
    else
        m_undoTimer.stop();
    if (could != m_undo.has_value())
        Q_EMIT canUndoEditChanged();
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
    setDraftAttachments({});
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
    setDraftAttachments({});
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

void ConversationController::importDialogExchange(const ChatMessage &question,
                                                  const ChatMessage &answer)
{
    const std::optional<QUuid> id = m_chats.importExchange(question, answer, now());
    if (!id)
        return;
    setSidebarItem(*id);
    requestTitle(
        *id, question.text.trimmed().isEmpty() ? question.attachments.first().name : question.text);
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
    setEditingMessageId(std::nullopt);
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
