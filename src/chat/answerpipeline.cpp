#include "chat/answerpipeline.h"

#include "chat/settings.h"
#include "llm/chatstream.h"
#include "search/searchheuristic.h"
#include "search/sourcefilter.h"
#include "search/websearchclient.h"

#include <QNetworkAccessManager>

#include <memory>
#include <utility>

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
    return LocalLLMClient::fromAddress(serverAddress(), m_network);
}

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
        outcome.error = started ? LocalLLMError::cancellation() : started.error();
        co_return outcome;
    }
    const std::unique_ptr<ChatStream> stream = std::move(started).value();

    if (observer.answering)
        observer.answering();
    QObject::connect(stream.get(), &ChatStream::pieceReceived, stream.get(),
                     [&outcome, &observer, token](const QString &piece) {
                         if (token.isCancelled())
                             return;
                         outcome.text += piece;
                         if (observer.piece)
                             observer.piece(piece);
                     });
    auto ending = stream->result();
    const LLMResult<void> ended = co_await std::move(ending);
    if (!ended) {
        outcome.error = ended.error();
        co_return outcome;
    }
    outcome.sources = WebSearch::relevantSources(outcome.text, outcome.results);
    co_return outcome;
}
