#include "llm/localllmclient.h"

#include "base/endpointprobe.h"
#include "base/replyholder.h"
#include "base/textutil.h"
#include "llm/modelserverreply.h"
#include "llm/serveraddress.h"
#include "llm/wireformat.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSet>

#include <QCoroNetworkReply>

using namespace Qt::StringLiterals;

namespace {

constexpr int probeTimeoutMs = 250;
constexpr int transferTimeoutMs = 60000;
constexpr double titleTemperature = 0.3;

// The servers (by address) that refused a request for the usage of a stream: they are asked
// without it for the rest of the run.
QSet<QString> &serversRefusingUsage()
{
    static QSet<QString> servers;
    return servers;
}

QNetworkRequest modelServerRequest(const QUrl &url)
{
    QNetworkRequest request(url);
    // A server that stays silent is as good as dead.
    request.setTransferTimeout(transferTimeoutMs);
    // Qt would follow some redirects, and turn a POST into a GET on the way; the user is
    // told where the server points instead (see ModelServerReply::statusError).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    return request;
}

QNetworkRequest jsonRequest(const QUrl &url)
{
    QNetworkRequest request = modelServerRequest(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    return request;
}

LocalLLMError noNetwork()
{
    return LocalLLMError::transportError(u"the network access manager is gone"_s);
}

// A redirect, or a status outside 2xx, or no HTTP at all: `redirected` or `badResponse`;
// a transport failure: passed on.
std::optional<LocalLLMError> replyError(QNetworkReply *reply)
{
    if (std::optional<LocalLLMError> error = ModelServerReply::statusError(reply))
        return error;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (reply->error() != QNetworkReply::NoError) {
        if (reply->error() == QNetworkReply::OperationCanceledError)
            return LocalLLMError::transportError(u"no data from the server for 60 seconds"_s);
        return LocalLLMError::transportError(reply->errorString());
    }
    if (!status.isValid())
        return LocalLLMError(LocalLLMError::Kind::badResponse, u"not an HTTP reply"_s);
    return std::nullopt;
}

// The operations run as free coroutines on copies of the client, so that a caller may let
// its client go out of scope while an operation is still running.

QCoro::Task<LLMResult<QStringList>> fetchModelIDsWith(LocalLLMClient client,
                                                      CancellationToken token)
{
    const QUrl url = client.modelsURL();
    const bool reachable = co_await probeEndpoint(url, probeTimeoutMs);
    if (token.isCancelled())
        co_return LocalLLMError::cancellation();
    if (!reachable)
        co_return LocalLLMError(LocalLLMError::Kind::serverUnavailable);
    QNetworkAccessManager *network = client.network();
    if (!network)
        co_return noNetwork();

    const ReplyHolder reply(network->get(modelServerRequest(url)));
    token.abortOnCancel(reply.get());
    co_await reply.get();
    if (token.isCancelled())
        co_return LocalLLMError::cancellation();
    if (const std::optional<LocalLLMError> error = replyError(reply.get()))
        co_return *error;
    // A web server, a proxy or a captive portal on the port answers with a page.
    const QByteArray type = ModelServerReply::mediaType(reply.get());
    if (ModelServerReply::isWebPage(type))
        co_return LocalLLMError::notModelServer(url,
                                                u"a page of type "_s + QString::fromLatin1(type));
    co_return WireFormat::decodeModelIDs(reply->readAll());
}

QCoro::Task<LLMResult<LocalLLMClient::ModelChoice>> resolveModelWith(LocalLLMClient client,
                                                                     CancellationToken token)
{
    LLMResult<QStringList> ids = co_await fetchModelIDsWith(client, token);
    if (!ids)
        co_return ids.error();
    if (ids.value().isEmpty())
        co_return LocalLLMError(LocalLLMError::Kind::modelUnavailable);
    const QString preferred = client.preferredModel();
    // A model that was unloaded or renamed since it was chosen must not stop every answer.
    co_return LocalLLMClient::ModelChoice{
        LocalLLMClient::chooseModelID(ids.value(), preferred),
        preferred.isEmpty() || ids.value().contains(preferred) ? QString() : preferred};
}

QCoro::Task<LLMResult<std::unique_ptr<ChatStream>>>
streamChatWith(LocalLLMClient client, QList<LocalLLMMessage> messages, CancellationToken token)
{
    const LLMResult<LocalLLMClient::ModelChoice> model = co_await resolveModelWith(client, token);
    if (!model)
        co_return model.error();
    if (token.isCancelled())
        co_return LocalLLMError::cancellation();
    QNetworkAccessManager *network = client.network();
    if (!network)
        co_return noNetwork();
    const QString server = client.serverURL().toString();
    WireFormat::ChatRequestOptions options{client.generationOptions().temperature,
                                           client.generationOptions().maxTokens, true,
                                           !serversRefusingUsage().contains(server)};
    const QNetworkRequest request = jsonRequest(client.completionsURL());
    QNetworkReply *reply = network->post(
        request, WireFormat::encodeChatRequest(model.value().id, messages, options));
    auto stream = std::make_unique<ChatStream>(reply, token);
    stream->setModel(model.value().id, model.value().unlisted);
    if (options.includeUsage) {
        // Older servers and strict proxies answer a member they do not know with 400.
        options.includeUsage = false;
        stream->setResend([network = QPointer<QNetworkAccessManager>(network), request, server,
                           body = WireFormat::encodeChatRequest(model.value().id, messages,
                                                                options)]() -> QNetworkReply * {
            serversRefusingUsage().insert(server);
            return network ? network->post(request, body) : nullptr;
        });
    }
    co_return stream;
}

QCoro::Task<LLMResult<QString>> completeWith(LocalLLMClient client, QList<LocalLLMMessage> messages,
                                             QString model, double temperature,
                                             CancellationToken token)
{
    if (token.isCancelled())
        co_return LocalLLMError::cancellation();
    QNetworkAccessManager *network = client.network();
    if (!network)
        co_return noNetwork();
    const QByteArray body
        = WireFormat::encodeChatRequest(model, messages, {temperature, std::nullopt, false, false});
    const ReplyHolder reply(network->post(jsonRequest(client.completionsURL()), body));
    token.abortOnCancel(reply.get());
    co_await reply.get();
    if (token.isCancelled())
        co_return LocalLLMError::cancellation();
    if (const std::optional<LocalLLMError> error = replyError(reply.get()))
        co_return *error;
    co_return WireFormat::decodeCompletion(reply->readAll());
}

QCoro::Task<LLMResult<QString>> generateTitleWith(LocalLLMClient client, QString userMessage,
                                                  CancellationToken token)
{
    const LLMResult<LocalLLMClient::ModelChoice> model = co_await resolveModelWith(client, token);
    if (!model)
        co_return model.error();
    const QList<LocalLLMMessage> messages{
        {u"system"_s, LocalLLMClient::titleInstruction},
        {u"user"_s, userMessage},
    };
    const LLMResult<QString> answer
        = co_await completeWith(client, messages, model.value().id, titleTemperature, token);
    if (!answer)
        co_return answer.error();
    co_return LocalLLMClient::cleanTitle(answer.value());
}

} // namespace

const QString LocalLLMClient::titleInstruction
    = u"Generate a very short chat title (3\u20136 words) summarizing the user's message. "
      "Reply with only the title. No quotes, no trailing punctuation, no explanation."_s;

LocalLLMClient::LocalLLMClient(QUrl serverURL, QNetworkAccessManager *network)
    : m_serverURL(std::move(serverURL))
    , m_network(network)
{ }

LLMResult<LocalLLMClient> LocalLLMClient::fromAddress(const QString &address,
                                                      QNetworkAccessManager *network)
{
    // Also what keeps file: and other schemes from ever reaching the network access manager.
    if (const std::optional<QString> problem = serverAddressProblem(address))
        return LocalLLMError(LocalLLMError::Kind::invalidServerAddress, *problem);
    return LocalLLMClient(QUrl(normalizeServerAddress(address), QUrl::StrictMode), network);
}

QNetworkAccessManager *LocalLLMClient::network() const
{
    return m_network;
}

QUrl LocalLLMClient::modelsURL() const
{
    return endpointURL(m_serverURL, u"models"_s);
}

QUrl LocalLLMClient::completionsURL() const
{
    return endpointURL(m_serverURL, u"chat/completions"_s);
}

QCoro::Task<LLMResult<QStringList>> LocalLLMClient::fetchModelIDs(CancellationToken token) const
{
    return fetchModelIDsWith(*this, std::move(token));
}

QCoro::Task<LLMResult<QString>> LocalLLMClient::resolveModelID(CancellationToken token) const
{
    const LLMResult<ModelChoice> model = co_await resolveModelWith(*this, std::move(token));
    if (!model)
        co_return model.error();
    co_return model.value().id;
}

QCoro::Task<LLMResult<LocalLLMClient::ModelChoice>>
LocalLLMClient::resolveModel(CancellationToken token) const
{
    return resolveModelWith(*this, std::move(token));
}

QCoro::Task<LLMResult<std::unique_ptr<ChatStream>>>
LocalLLMClient::streamChat(QList<LocalLLMMessage> messages, CancellationToken token) const
{
    return streamChatWith(*this, std::move(messages), std::move(token));
}

QCoro::Task<LLMResult<QString>> LocalLLMClient::complete(QList<LocalLLMMessage> messages,
                                                         QString model, double temperature,
                                                         CancellationToken token) const
{
    return completeWith(*this, std::move(messages), std::move(model), temperature,
                        std::move(token));
}

QCoro::Task<LLMResult<QString>> LocalLLMClient::generateTitle(QString userMessage,
                                                              CancellationToken token) const
{
    return generateTitleWith(*this, std::move(userMessage), std::move(token));
}

QString LocalLLMClient::chooseModelID(const QStringList &ids, const QString &preferred)
{
    if (!preferred.isEmpty() && ids.contains(preferred))
        return preferred;
    for (const QString &id : ids) {
        if (id.contains(u"qwen3-vl-8b"_s, Qt::CaseInsensitive))
            return id;
    }
    return ids.value(0);
}

QString LocalLLMClient::cleanTitle(const QString &answer)
{
    QString title = answer.trimmed();
    title.remove(u'"');
    title.remove(u'\'');
    if (title.endsWith(u'.'))
        title.chop(1);
    if (TextUtil::graphemeCount(title) >= 57)
        title = TextUtil::leftGraphemes(title, 53) + u'\u2026';
    return title.trimmed();
}
