#pragma once

#include "base/cancellationtoken.h"
#include "llm/chatstream.h"
#include "llm/llmresult.h"
#include "llm/localllmmessage.h"

#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <QCoroTask>

#include <memory>
#include <optional>

class QNetworkAccessManager;

// Talks to the OpenAI-compatible model server at `serverURL` (…/v1). A small value: make one
// from the current setting for each operation. Before each request a server on this machine
// is probed, so a dead one fails in a quarter of a second with "Start LM Studio".
//
// Every operation takes a CancellationToken; once it is cancelled the request is aborted and
// the operation ends with a `cancelled` error, which callers never show.
//
//     const auto client = LocalLLMClient::fromAddress(settings.lmStudioServerAddress(), network);
//     if (!client) …  // client.error(): "Check server address"
//     auto stream = co_await client.value().streamChat(messages, token);
class LocalLLMClient
{
public:
    // How answers are generated (titles keep their own).
    struct GenerationOptions
    {
        double temperature = 0.7;
        std::optional<int> maxTokens;
    };

    // The model an answer comes from, and the preferred one when the server did not list it.
    struct ModelChoice
    {
        QString id;
        QString unlisted;
    };

    LocalLLMClient(QUrl serverURL, QNetworkAccessManager *network);

    // Normalises what the user typed and parses it; `invalidServerAddress` when it is not
    // an http or https address with a host and a valid port (see serverAddressProblem).
    static LLMResult<LocalLLMClient> fromAddress(const QString &address,
                                                 QNetworkAccessManager *network);

    QUrl serverURL() const { return m_serverURL; }

    // The model to ask when the server lists it; empty: the automatic choice (chooseModelID).
    QString preferredModel() const { return m_preferredModel; }
    void setPreferredModel(const QString &id) { m_preferredModel = id; }
    GenerationOptions generationOptions() const { return m_options; }
    void setGenerationOptions(const GenerationOptions &options) { m_options = options; }

    QNetworkAccessManager *network() const;
    QUrl modelsURL() const;
    QUrl completionsURL() const;

    // The server's model ids in server order, possibly none.
    QCoro::Task<LLMResult<QStringList>> fetchModelIDs(CancellationToken token = {}) const;

    // The model to use: `modelUnavailable` when none is loaded.
    QCoro::Task<LLMResult<QString>> resolveModelID(CancellationToken token = {}) const;
    QCoro::Task<LLMResult<ModelChoice>> resolveModel(CancellationToken token = {}) const;

    // Resolves the model and starts streaming the answer to `messages`; failures of the
    // request itself arrive through the stream, which knows its model. The caller owns the
    // stream. The server is asked for the answer's usage unless it refused that before, in
    // this process.
    QCoro::Task<LLMResult<std::unique_ptr<ChatStream>>>
    streamChat(QList<LocalLLMMessage> messages, CancellationToken token = {}) const;

    // One non-streamed completion with `model`; its trimmed text, never blank.
    QCoro::Task<LLMResult<QString>> complete(QList<LocalLLMMessage> messages, QString model,
                                             double temperature,
                                             CancellationToken token = {}) const;

    // A short title for a chat that starts with `userMessage`, cleaned; it may be empty.
    QCoro::Task<LLMResult<QString>> generateTitle(QString userMessage,
                                                  CancellationToken token = {}) const;

    // The model picked from `ids`: `preferred` when listed, else the first one of the
    // favoured family, else the first. Empty when the list is.
    static QString chooseModelID(const QStringList &ids, const QString &preferred = QString());

    // Strips what models add around a title despite being asked not to: quotes, a final
    // full stop, excess length.
    static QString cleanTitle(const QString &answer);

    static const QString titleInstruction;

private:
    QUrl m_serverURL;
    QPointer<QNetworkAccessManager> m_network;
    QString m_preferredModel;
    GenerationOptions m_options;
};
