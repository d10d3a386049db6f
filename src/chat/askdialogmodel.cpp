#include "chat/askdialogmodel.h"

#include "chat/appevents.h"
#include "chat/quickaskrequest.h"
#include "chat/settings.h"
#include "llm/localllmclient.h"
#include "search/searchheuristic.h"
#include "search/searxngconfig.h"
#include "search/websearchclient.h"

#include <QNetworkAccessManager>
#include <QTimer>

#include <QCoroTimer>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;

const QString AskDialogModel::defaultErrorMessage = u"Start LM Studio"_s;

AskDialogModel::AskDialogModel(Settings *settings, AppEvents *events,
                               QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_events(events)
    , m_network(network)
{
    if (m_events)
        connect(m_events, &AppEvents::askDialogDidOpen, this, &AskDialogModel::resetForOpen);
}

AskDialogModel::~AskDialogModel()
{
    cancelStreamTask();
}

bool AskDialogModel::hasQueryText() const
{
    return !m_query.trimmed().isEmpty();
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
    if (question.isEmpty() || m_isLoading || m_isSearching)
        return;
    setIsLoading(true);
    setAnswer(QString());

    AskRequest request;
    request.id = ++m_newestTask;
    request.question = question;
    request.conversationContext = m_conversationContext;
    request.earliestAnswer = QDeadlineTimer(minimumAnswerDelayMs, Qt::PreciseTimer);
    if (m_settings) {
        request.searchMode = m_settings->webSearchMode();
        request.searxngBaseURL = SearxngConfig{m_settings->searxngHost(), m_settings->searxngPort(),
                                               m_settings->searxngUseHTTPS()}
                                     .baseURL();
        request.systemPrompt = m_settings->systemPrompt();
        request.userName = m_settings->userName();
        request.activePromptSuggestions = m_settings->activePromptSuggestions();
    }

    const CancellationToken token;
    m_streamTask = token;
    runAsk(QPointer<AskDialogModel>(this), token, std::move(request));
}

QCoro::Task<> AskDialogModel::runAsk(QPointer<AskDialogModel> self, CancellationToken token,
                                     AskRequest request)
{
    const TaskId id = request.id;
    QuickAskRequest messages;
    messages.systemPrompt = request.systemPrompt;
    messages.userName = request.userName;
    messages.activePromptSuggestions = request.activePromptSuggestions;
    messages.conversationContext = request.conversationContext;
    messages.question = request.question;

    if (WebSearch::shouldSearch(request.searchMode, request.question)) {
        self->setIsSearching(true);
        const WebSearchClient search(self->m_network);
        auto lookup = search.searchWeb(request.question, request.searxngBaseURL, token);
        messages.searchResults = co_await std::move(lookup);
        if (!self)
            co_return;
        if (self->isCurrent(id))
            self->setIsSearching(false);
    }
    if (token.isCancelled()) {
        self->showFailure(id, LocalLLMError::cancellation());
        co_return;
    }

    // Read only now: an address corrected while the search ran already counts.
    const QString address
        = self->m_settings ? self->m_settings->lmStudioServerAddress() : QString();
    const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, self->m_network);
    if (!client) {
        self->showFailure(id, client.error());
        co_return;
    }

    // The pieces are collected here rather than in `answer`: the bar shows the answer whole.
    QString buffer;
    auto starting = client.value().streamChat(messages.messages(), token);
    LLMResult<std::unique_ptr<ChatStream>> started = co_await std::move(starting);
    if (!self)
        co_return;
    if (!started || token.isCancelled()) {
        self->showFailure(id, started ? LocalLLMError::cancellation() : started.error());
        co_return;
    }
    const std::unique_ptr<ChatStream> stream = std::move(started).value();
    QObject::connect(stream.get(), &ChatStream::pieceReceived, stream.get(),
                     [&buffer, token](const QString &piece) {
                         if (!token.isCancelled())
                             buffer += piece;
                     });
    auto ending = stream->result();
    const LLMResult<void> outcome = co_await std::move(ending);
    if (!self)
        co_return;
    if (!outcome || token.isCancelled()) {
        self->showFailure(id, outcome ? LocalLLMError::cancellation() : outcome.error());
        co_return;
    }

    auto waiting = sleepUntil(request.earliestAnswer, token);
    co_await std::move(waiting);
    if (!self)
        co_return;
    if (token.isCancelled()) {
        self->showFailure(id, LocalLLMError::cancellation());
        co_return;
    }
    self->finishAsk(id, buffer);
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

void AskDialogModel::finishAsk(TaskId id, const QString &answer)
{
    if (!isCurrent(id))
        return;
    setAnswer(answer);
    setIsLoading(false);
    m_streamTask.reset();
}

void AskDialogModel::showFailure(TaskId id, const LocalLLMError &error)
{
    if (!isCurrent(id))
        return;
    setIsSearching(false);
    if (!error.isCancelled())
        setAnswer(error.descriptionOr(defaultErrorMessage));
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
    // The task ends through showFailure, which clears isLoading.
}

void AskDialogModel::startNewQuestion()
{
    stopAnswer();
    setQuery(QString());
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
    if (!question.isEmpty() && !answer.isEmpty()) {
        QList<LocalLLMMessage> context = m_conversationContext;
        context.append({u"user"_s, question});
        context.append({u"assistant"_s, answer});
        setConversationContext(context);
    }
    setQuery(QString());
    setAnswer(QString());
    focusInputSoon();
}

void AskDialogModel::saveAndContinueInChat()
{
    if (!hasQueryText())
        return;
    stopAnswer();
    if (!m_events)
        return;
    m_events->postImportDialogChat(m_query, m_answer);
    m_events->postShowMainWindow();
}

void AskDialogModel::resetForOpen()
{
    cancelStreamTask();
    setQuery(QString());
    setAnswer(QString());
    setIsLoading(false);
    setIsSearching(false);
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
    if (answer == m_answer)
        return;
    const DerivedState before = derivedState();
    m_answer = answer;
    Q_EMIT answerChanged(m_answer);
    emitDerivedChanges(before);
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
