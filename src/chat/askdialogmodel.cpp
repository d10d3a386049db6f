#include "chat/askdialogmodel.h"

#include "chat/answerrequest.h"
#include "chat/appevents.h"
#include "chat/quickaskrequest.h"
#include "chat/settings.h"
#include <QTimer>

#include <QCoroTimer>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

AskDialogModel::AskDialogModel(Settings &settings, AppEvents &events,
                               QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_events(events)
    , m_pipeline(settings, network)
{
    connect(&m_events, &AppEvents::askDialogDidOpen, this, &AskDialogModel::resetForOpen);
}

AskDialogModel::~AskDialogModel()
{
    cancelStreamTask();
}

bool AskDialogModel::hasQueryText() const
{
    return !m_query.trimmed().isEmpty() || !m_attachments.isEmpty();
}

bool AskDialogModel::addAttachment(const Attachment &attachment)
{
    if (m_attachments.size() >= Attachment::maxPerQuestion)
        return false;
    QList<Attachment> attachments = m_attachments;
    attachments.append(attachment);
    setAttachments(std::move(attachments));
    return true;
}

void AskDialogModel::removeAttachment(qsizetype index)
{
    if (index < 0 || index >= m_attachments.size())
        return;
    QList<Attachment> attachments = m_attachments;
    attachments.removeAt(index);
    setAttachments(std::move(attachments));
}

void AskDialogModel::setAttachments(QList<Attachment> attachments)
{
    if (attachments == m_attachments)
        return;
    const DerivedState before = derivedState();
    m_attachments = std::move(attachments);
    Q_EMIT attachmentsChanged();
    emitDerivedChanges(before);
}

bool AskDialogModel::hasActivity() const
{
    return m_isLoading || m_isSearching || !m_answer.isEmpty();
}

bool AskDialogModel::canContinue() const
{
    return hasQueryText() && hasActivity() && !m_answer.trimmed().isEmpty() && !m_isLoading
        && !m_isSearching;
}

void AskDialogModel::setQuery(const QString &query)
{
    if (query == m_query)
        return;
    const DerivedState before = derivedState();
    m_query = query;
    Q_EMIT queryChanged(m_query);
    emitDerivedChanges(before);
}

void AskDialogModel::sendQuery()
{
    const QString question = m_query.trimmed();
    if (!hasQueryText() || m_isLoading || m_isSearching)
        return;
    setIsLoading(true);
    setAnswer(QString());

    QuickAskRequest request;
    request.systemPrompt = m_settings.systemPrompt();
    request.userName = m_settings.userName();
    request.activePromptSuggestions = m_settings.activePromptSuggestions();
    request.conversationContext = m_conversationContext;
    request.question = question;
    request.attachments = m_attachments;
    request.attachmentTextLimit = m_settings.attachmentTextLimit();
    AnswerPipeline::Question asked{question, m_settings.webSearchModeChoice(),
                                   [request](const QList<SearchResult> &results) {
                                       QuickAskRequest withResults = request;
                                       withResults.searchResults = results;
                                       return withResults.messages();
                                   }};

    const CancellationToken token;
    m_streamTask = token;
    runAsk(QPointer<AskDialogModel>(this), ++m_newestTask, token, std::move(asked),
           QDeadlineTimer(minimumAnswerDelayMs, Qt::PreciseTimer));
}

QCoro::Task<> AskDialogModel::runAsk(QPointer<AskDialogModel> self, TaskId id,
                                     CancellationToken token, AnswerPipeline::Question question,
                                     QDeadlineTimer earliestAnswer)
{
    AnswerPipeline::Observer observer;
    observer.searching = [self, id](bool searching) {
        if (!self)
            return;
        // Only the newest question's search ends the searching state.
        if (searching || self->isCurrent(id))
            self->setIsSearching(searching);
    };
    // The thought is not shown, only that there is one; the pieces neither: the bar shows the
    // answer whole.
    observer.reasoning = [self, id](const QString &) {
        if (self && self->isCurrent(id))
            self->setIsThinking(true);
    };
    observer.thoughtEnded = [self, id](double) {
        if (self && self->isCurrent(id))
            self->setIsThinking(false);
    };
    auto answering = self->m_pipeline.answer(std::move(question), token, std::move(observer));
    const AnswerPipeline::Outcome outcome = co_await std::move(answering);
    if (!self)
        co_return;
    if (self->isCurrent(id))
        self->setIsThinking(false);
    if (outcome.error || token.isCancelled()) {
        self->showFailure(id, outcome.error.value_or(LocalLLMError::cancellation()));
        co_return;
    }

    auto waiting = sleepUntil(earliestAnswer, token);
    co_await std::move(waiting);
    if (!self)
        co_return;
    if (token.isCancelled()) {
        self->showFailure(id, LocalLLMError::cancellation());
        co_return;
    }
    self->finishAsk(id, outcome);
}

QCoro::Task<> AskDialogModel::sleepUntil(QDeadlineTimer deadline, CancellationToken token)
{
    if (token.isCancelled() || deadline.hasExpired())
        co_return;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    // A stopped question must not keep the bar in its waiting state until the deadline.
    QObject::connect(static_cast<CancellationState *>(token.notifier()),
                     &CancellationState::cancelled, &timer, [&timer] { timer.start(0); });
    timer.start(int(std::max<qint64>(0, deadline.remainingTime())));
    co_await timer;
}

void AskDialogModel::finishAsk(TaskId id, const AnswerPipeline::Outcome &outcome)
{
    if (!isCurrent(id))
        return;
    setAnswer(outcome.text);
    m_reasoning = outcome.reasoning;
    m_thinkingSeconds = outcome.thinkingSeconds;
    m_model = outcome.model;
    m_stats = outcome.stats;
    setIsLoading(false);
    m_streamTask.reset();
}

void AskDialogModel::showFailure(TaskId id, const LocalLLMError &error)
{
    if (!isCurrent(id))
        return;
    setIsSearching(false);
    if (!error.isCancelled())
        // Shown for a failure that has no text of its own.
        setAnswer(error.descriptionOr(tr("Start LM Studio")));
    setIsLoading(false);
    m_streamTask.reset();
}

void AskDialogModel::cancelStreamTask()
{
    if (!m_streamTask)
        return;
    const CancellationToken token = *m_streamTask;
    m_streamTask.reset();
    token.cancel();
}

void AskDialogModel::stopAnswer()
{
    cancelStreamTask();
    setIsSearching(false);
    setIsThinking(false);
    // The task ends through showFailure, which clears isLoading.
}

void AskDialogModel::startNewQuestion()
{
    stopAnswer();
    setQuery(QString());
    setAttachments({});
    setAnswer(QString());
    setConversationContext({});
    setIsLoading(false);
    setIsSearching(false);
    focusInputSoon();
}

void AskDialogModel::askFollowUp()
{
    if (!canContinue())
        return;
    const QString question = m_query.trimmed();
    const QString answer = m_answer.trimmed();
    if (hasQueryText() && !answer.isEmpty()) {
        QList<LocalLLMMessage> context = m_conversationContext;
        // The files go along with the next questions, as in a chat.
        context.append(questionMessage(question, m_attachments, m_settings.attachmentTextLimit()));
        context.append({u"assistant"_s, answer});
        setConversationContext(context);
    }
    setQuery(QString());
    setAttachments({});
    setAnswer(QString());
    focusInputSoon();
}

void AskDialogModel::saveAndContinueInChat()
{
    if (!hasQueryText())
        return;
    stopAnswer();
    ChatMessage question(ChatMessage::Role::User, m_query);
    question.attachments = m_attachments;
    ChatMessage answer(ChatMessage::Role::Assistant, m_answer);
    answer.reasoning = m_reasoning;
    answer.thinkingSeconds = m_thinkingSeconds;
    answer.model = m_model;
    answer.stats = m_stats;
    m_events.postImportDialogChat(question, answer);
    m_events.postShowMainWindow();
}

void AskDialogModel::resetForOpen()
{
    cancelStreamTask();
    setQuery(QString());
    setAttachments({});
    setAnswer(QString());
    setIsLoading(false);
    setIsSearching(false);
    setIsThinking(false);
    setConversationContext({});
    // At once as well: someone who types right after the chord would otherwise lose the
    // first letters of the question to a bar without a focused field.
    Q_EMIT focusRequested();
    focusInputSoon();
}

void AskDialogModel::focusInputSoon()
{
    QTimer::singleShot(focusDelayMs, this, &AskDialogModel::focusRequested);
}

AskDialogModel::DerivedState AskDialogModel::derivedState() const
{
    return {hasQueryText(), hasActivity(), canContinue()};
}

void AskDialogModel::emitDerivedChanges(const DerivedState &before)
{
    const DerivedState now = derivedState();
    if (now.hasQueryText != before.hasQueryText)
        Q_EMIT hasQueryTextChanged(now.hasQueryText);
    if (now.hasActivity != before.hasActivity)
        Q_EMIT hasActivityChanged(now.hasActivity);
    if (now.canContinue != before.canContinue)
        Q_EMIT canContinueChanged(now.canContinue);
}

void AskDialogModel::setAnswer(const QString &answer)
{
    // A thought belongs to the answer it came with, and goes when that goes.
    if (answer.isEmpty()) {
        m_reasoning.clear();
        m_thinkingSeconds.reset();
        m_model.clear();
        m_stats.reset();
    }
    if (answer == m_answer)
        return;
    const DerivedState before = derivedState();
    m_answer = answer;
    Q_EMIT answerChanged(m_answer);
    emitDerivedChanges(before);
}

int AskDialogModel::thinkingElapsedSeconds() const
{
    return m_isThinking ? int(m_thinkingClock.elapsed() / 1000) : 0;
}

void AskDialogModel::setIsThinking(bool thinking)
{
    if (thinking == m_isThinking)
        return;
    m_isThinking = thinking;
    if (thinking)
        m_thinkingClock.start();
    Q_EMIT isThinkingChanged(m_isThinking);
}

void AskDialogModel::setIsLoading(bool loading)
{
    if (loading == m_isLoading)
        return;
    const DerivedState before = derivedState();
    m_isLoading = loading;
    Q_EMIT isLoadingChanged(m_isLoading);
    emitDerivedChanges(before);
}

void AskDialogModel::setIsSearching(bool searching)
{
    if (searching == m_isSearching)
        return;
    const DerivedState before = derivedState();
    m_isSearching = searching;
    Q_EMIT isSearchingChanged(m_isSearching);
    emitDerivedChanges(before);
}

void AskDialogModel::setConversationContext(const QList<LocalLLMMessage> &context)
{
    if (context == m_conversationContext)
        return;
    m_conversationContext = context;
    Q_EMIT conversationContextChanged();
}
