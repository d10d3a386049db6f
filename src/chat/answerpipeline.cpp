#include "chat/answerpipeline.h"

#include "chat/answerspeed.h"
#include "chat/settings.h"
#include "llm/chatstream.h"
#include "llm/thoughtsplitter.h"
#include "search/searchheuristic.h"
#include "search/sourcefilter.h"
#include "search/websearchclient.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>

#include <algorithm>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

AnswerPipeline::AnswerPipeline(Settings &settings, QNetworkAccessManager &network)
    : m_settings(settings)
    , m_network(&network)
{ }

QString AnswerPipeline::serverAddress() const
{
    return m_serverAddress.value_or(m_settings.lmStudioServerAddress());
}

LLMResult<LocalLLMClient> AnswerPipeline::modelClient() const
{
    LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(serverAddress(), m_network);
    if (client) {
        client.value().setPreferredModel(m_model.value_or(m_settings.preferredModel()));
        client.value().setGenerationOptions({m_settings.temperature(), m_settings.maxTokens()});
    }
    return client;
}

namespace {

// A server that refuses a question with images most often runs a model without vision: its
// own words, then what the user can do about it.
LocalLLMError withImageNote(const LocalLLMError &error, const QList<LocalLLMMessage> &messages)
{
    const bool images
        = std::any_of(messages.cbegin(), messages.cend(),
                      [](const LocalLLMMessage &m) { return !m.imageUrls.isEmpty(); });
    if (!images)
        return error;
    const QString note = u"This model may not accept images."_s;
    switch (error.kind()) {
    case LocalLLMError::Kind::serverMessage: {
        QString message = error.description().value_or(QString()).trimmed();
        // Servers' messages often end without a stop; the note is a sentence of its own.
        if (!message.isEmpty() && !message.back().isPunct())
            message += u'.';
        return LocalLLMError::serverError(message + u' ' + note);
    }
    case LocalLLMError::Kind::badResponse:
        return LocalLLMError::serverError(u"The model server refused the question. "_s + note);
    default:
        return error;
    }
}

// Sorts what the stream sends into the thought and the answer, times the thought, and tells
// the observer.
struct Thought
{
    AnswerPipeline::Outcome &outcome;
    const AnswerPipeline::Observer &observer;
    CancellationToken token;
    ThoughtSplitter splitter;
    QElapsedTimer clock;
    bool thinking = false;

    Thought(AnswerPipeline::Outcome &outcome, const AnswerPipeline::Observer &observer,
            CancellationToken token)
        : outcome(outcome)
        , observer(observer)
        , token(std::move(token))
    {
        clock.start();
    }

    bool tells() const { return !token.isCancelled(); }

    void addReasoning(const QString &piece)
    {
        if (piece.isEmpty())
            return;
        thinking = true;
        outcome.reasoning += piece;
        if (tells() && observer.reasoning)
            observer.reasoning(piece);
    }

    void add(const ThoughtSplitter::Output &out)
    {
        if (out.answerWasThought) {
            outcome.reasoning += std::exchange(outcome.text, {});
            thinking = true;
            if (tells() && observer.answerWasThought)
                observer.answerWasThought();
        }
        addReasoning(out.thought);
        if (out.answer.isEmpty())
            return;
        end();
        outcome.text += out.answer;
        if (tells() && observer.piece)
            observer.piece(out.answer);
    }

    void end()
    {
        if (!std::exchange(thinking, false))
            return;
        outcome.thinkingSeconds = double(clock.elapsed()) / 1000.0;
        if (tells() && observer.thoughtEnded)
            observer.thoughtEnded(*outcome.thinkingSeconds);
    }
};

} // namespace

QCoro::Task<AnswerPipeline::Outcome>
AnswerPipeline::answer(Question question, CancellationToken token, Observer observer) const
{
    return run(*this, m_settings.searxngBaseURL(), std::move(question), std::move(token),
               std::move(observer));
}

QCoro::Task<AnswerPipeline::Outcome> AnswerPipeline::run(AnswerPipeline pipeline,
                                                         QString searxngBaseURL, Question question,
                                                         CancellationToken token, Observer observer)
{
    Outcome outcome;
    if (WebSearch::shouldSearch(question.searchMode, question.text)) {
        if (observer.searching)
            observer.searching(true);
        const WebSearchClient search(pipeline.m_network);
        auto lookup = search.searchWeb(question.text, searxngBaseURL, token);
        outcome.results = co_await std::move(lookup);
        if (!token.isCancelled() && observer.searching)
            observer.searching(false);
    }
    if (token.isCancelled()) {
        outcome.error = LocalLLMError::cancellation();
        co_return outcome;
    }

    const QList<LocalLLMMessage> messages = question.prompt(outcome.results);
    const LLMResult<LocalLLMClient> client = pipeline.modelClient();
    if (!client) {
        outcome.error = client.error();
        co_return outcome;
    }
    auto starting = client.value().streamChat(messages, token);
    LLMResult<std::unique_ptr<ChatStream>> started = co_await std::move(starting);
    if (!started || token.isCancelled()) {
        outcome.error
            = started ? LocalLLMError::cancellation() : withImageNote(started.error(), messages);
        co_return outcome;
    }
    const std::unique_ptr<ChatStream> stream = std::move(started).value();
    outcome.model = stream->model();
    outcome.unlistedModel = stream->unlistedModel();
    // The request has just gone out.
    QElapsedTimer clock;
    clock.start();
    int pieces = 0;
    double firstPieceSeconds = 0;
    const auto counted = [&pieces, &firstPieceSeconds, &clock] {
        if (pieces++ == 0)
            firstPieceSeconds = double(clock.nsecsElapsed()) / 1e9;
    };

    if (observer.answering)
        observer.answering();
    Thought thought(outcome, observer, token);
    QObject::connect(stream.get(), &ChatStream::reasoningReceived, stream.get(),
                     [&thought, &counted](const QString &piece) {
                         counted();
                         thought.addReasoning(piece);
                     });
    QObject::connect(stream.get(), &ChatStream::pieceReceived, stream.get(),
                     [&thought, &counted](const QString &piece) {
                         counted();
                         thought.add(thought.splitter.take(piece));
                     });
    auto ending = stream->result();
    const LLMResult<void> ended = co_await std::move(ending);
    const double endSeconds = double(clock.nsecsElapsed()) / 1e9;
    // Whatever way it ended, what was held back of a possible tag is the thought's or the
    // answer's, and a thought cut off is still a thought.
    thought.add(thought.splitter.finish());
    thought.end();
    outcome.reasoning = outcome.reasoning.trimmed();
    if (!ended) {
        outcome.error = withImageNote(ended.error(), messages);
        co_return outcome;
    }
    outcome.sources = WebSearch::relevantSources(outcome.text, outcome.results);
    if (pieces > 0)
        outcome.stats
            = AnswerSpeed::measure(stream->usage(), pieces, firstPieceSeconds, endSeconds);
    co_return outcome;
}
