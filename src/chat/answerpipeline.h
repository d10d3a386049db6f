#pragma once

#include "base/cancellationtoken.h"
#include "chat/chatmessage.h"
#include "llm/llmresult.h"
#include "llm/localllmclient.h"
#include "llm/localllmerror.h"
#include "llm/localllmmessage.h"
#include "search/searchmode.h"
#include "search/searchresult.h"

#include <QList>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <functional>
#include <optional>

class QNetworkAccessManager;
class Settings;

// One answer from the question to its sources, the same for the main window, the Quick Ask
// bar and `velm ask`: the web search when the mode asks for one, the messages the caller
// builds around its results, the answer streaming in from the model server piece by piece,
// and at its end the results worth showing under it.
//
// A thinking model's thought is told apart from the answer here, once for every caller,
// whether the server sends it beside the answer or inside it between <think> tags (see
// ThoughtSplitter): the answer's pieces and text never hold any of it.
//
// The SearXNG address is read when the question is asked, the model server's only when the
// model is: an address corrected while the search ran already helps the answer that was
// searching. A small value: every answer copies it, so an answer runs on when the pipeline
// that started it is gone.
class AnswerPipeline
{
public:
    // The messages for the model around the web results found (none when nothing was looked
    // up or nothing found). Each caller has its own: the main window sends the conversation,
    // the Quick Ask bar its short prompt.
    using Prompt = std::function<QList<LocalLLMMessage>(const QList<SearchResult> &results)>;

    struct Question
    {
        // What is looked up on the web, trimmed.
        QString text;
        WebSearchMode searchMode = WebSearchMode::Never;
        Prompt prompt;
    };

    // What the caller is told while the answer runs, on the main thread. Nothing is called
    // once the token is cancelled, so an owner that cancels its answers when it goes is
    // never called afterwards.
    struct Observer
    {
        // The web search begins (true) and has ended (false).
        std::function<void(bool searching)> searching;
        // The model has begun to answer; its pieces follow.
        std::function<void()> answering;
        // The next piece of the answer.
        std::function<void(const QString &piece)> piece;
        // The next piece of the model's thought, which comes before the answer.
        std::function<void(const QString &piece)> reasoning;
        // What was handed on as the answer so far was the thought after all (a server that
        // sends only the thought's end tag): it goes to the thought's end.
        std::function<void()> answerWasThought;
        // The thought is over, after `seconds`: the answer begins, or the stream ended
        // within the thought.
        std::function<void(double seconds)> thoughtEnded;
    };

    struct Outcome
    {
        // The pieces of the answer that arrived, joined.
        QString text;
        // The model's thought, trimmed; empty when it had none.
        QString reasoning;
        // How long it thought, from the start of the stream; set when it did.
        std::optional<double> thinkingSeconds;
        // What the web search found; the prompt carried it.
        QList<SearchResult> results;
        // The results the finished answer draws on (WebSearch::relevantSources); none when
        // it did not finish.
        QList<SearchResult> sources;
        // The model that answered, and the preferred one the server did not list (the
        // automatic choice answered instead); empty before a model was asked.
        QString model;
        QString unlistedModel;
        // How long and fast the answer was; set when it finished with text.
        std::optional<AnswerStats> stats;
        // Why the answer did not finish: the server's or the network's failure, or
        // LocalLLMError::cancellation() for a stop before the stream was under way. An
        // answer stopped while streaming ends with the error its stream reports.
        std::optional<LocalLLMError> error;
    };

    // Both must outlive every answer that has not been cancelled.
    AnswerPipeline(Settings &settings, QNetworkAccessManager &network);

    // A model server to ask instead of the one in the settings (`velm ask --server`).
    void setServerAddress(const QString &address) { m_serverAddress = address; }
    // A model to ask instead of the preferred one (`velm ask --model`).
    void setModel(const QString &id) { m_model = id; }
    // The model server asked now.
    QString serverAddress() const;
    // A client for that server, set up with the model and the generation options of the
    // settings; "Check server address" when the address makes none.
    LLMResult<LocalLLMClient> modelClient() const;

    QCoro::Task<Outcome> answer(Question question, CancellationToken token,
                                Observer observer = {}) const;

private:
    static QCoro::Task<Outcome> run(AnswerPipeline pipeline, QString searxngBaseURL,
                                    Question question, CancellationToken token, Observer observer);

    Settings &m_settings;
    QPointer<QNetworkAccessManager> m_network;
    std::optional<QString> m_serverAddress;
    std::optional<QString> m_model;
};
