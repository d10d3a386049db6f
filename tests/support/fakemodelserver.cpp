#include "support/fakemodelserver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace Qt::StringLiterals;

FakeModelServer::FakeModelServer()
{
    setModels({u"fake-model"_s});
    setStream({});
    setCompletion(QString());
    m_http.route("GET", u"/v1/models"_s, [this](const FakeRequest &) { return m_models; });
    m_http.route("POST", u"/v1/chat/completions"_s, [this](const FakeRequest &request) {
        const QJsonObject body = QJsonDocument::fromJson(request.body).object();
        if (!body.value(u"stream").toBool())
            return m_completion;
        if (m_rejectsStreamOptions && body.contains(u"stream_options"))
            // As OpenAI-compatible proxies word it.
            return FakeResponse::json(
                R"({"error":{"message":"Unrecognized request argument supplied: stream_options",)"
                R"("type":"invalid_request_error","param":null,"code":null}})",
                400);
        const bool asksUsage
            = body.value(u"stream_options").toObject().value(u"include_usage").toBool();
        return asksUsage && m_streamWithUsage ? *m_streamWithUsage : m_stream;
    });
}

QString FakeModelServer::address() const
{
    return u"http://127.0.0.1:"_s + QString::number(m_http.port());
}

void FakeModelServer::setModels(const QStringList &ids)
{
    m_models = FakeResponse::json(modelsBody(ids));
}

void FakeModelServer::setModelsResponse(const FakeResponse &response)
{
    m_models = response;
}

void FakeModelServer::setStream(const QStringList &pieces)
{
    m_stream = FakeResponse::eventStream(streamBody(pieces));
    m_streamWithUsage.reset();
}

void FakeModelServer::setStreamResponse(const FakeResponse &response)
{
    m_stream = response;
    m_streamWithUsage.reset();
}

void FakeModelServer::setStreamWithUsage(const QStringList &pieces, Usage usage, int tokens,
                                         double tokensPerSecond)
{
    m_streamWithUsage.reset();
    if (usage == Usage::usageChunk) {
        m_stream = FakeResponse::eventStream(streamBody(pieces));
        m_streamWithUsage
            = FakeResponse::eventStream(streamBody(pieces, usage, tokens, tokensPerSecond));
    } else {
        m_stream = FakeResponse::eventStream(streamBody(pieces, usage, tokens, tokensPerSecond));
    }
}

void FakeModelServer::setCompletion(const QString &content)
{
    m_completion = FakeResponse::json(completionBody(content));
}

void FakeModelServer::setCompletionResponse(const FakeResponse &response)
{
    m_completion = response;
}

QJsonObject FakeModelServer::lastChatRequest() const
{
    const QList<FakeRequest> &requests = m_http.requests();
    for (auto it = requests.crbegin(); it != requests.crend(); ++it) {
        if (it->path() == u"/v1/chat/completions"_s)
            return QJsonDocument::fromJson(it->body).object();
    }
    return {};
}

QList<QJsonObject> FakeModelServer::chatRequests() const
{
    QList<QJsonObject> bodies;
    for (const FakeRequest &request : m_http.requests()) {
        if (request.path() == u"/v1/chat/completions"_s)
            bodies.append(QJsonDocument::fromJson(request.body).object());
    }
    return bodies;
}

namespace {
QJsonObject chunkObject(const QJsonArray &choices)
{
    return {
        {u"choices"_s, choices},
        {u"created"_s, 1796574407},
        {u"id"_s, u"chatcmpl-fake"_s},
        {u"model"_s, u"fake-model"_s},
        {u"object"_s, u"chat.completion.chunk"_s},
    };
}

QByteArray chunk(const QJsonObject &delta, const QJsonValue &finishReason = QJsonValue::Null,
                 const QJsonObject &extra = {})
{
    const QJsonObject choice{
        {u"finish_reason"_s, finishReason}, {u"index"_s, 0}, {u"delta"_s, delta}};
    QJsonObject object = chunkObject(QJsonArray{choice});
    for (auto it = extra.begin(); it != extra.end(); ++it)
        object.insert(it.key(), it.value());
    return "data: " + QJsonDocument(object).toJson(QJsonDocument::Compact);
}
} // namespace

QByteArray FakeModelServer::chunkLine(const QString &content)
{
    return chunk(QJsonObject{{u"content"_s, content}});
}

QByteArray FakeModelServer::streamBody(const QStringList &pieces)
{
    QByteArray body
        = chunk(QJsonObject{{u"role"_s, u"assistant"_s}, {u"content"_s, QJsonValue::Null}})
        + "\n\n";
    for (const QString &piece : pieces)
        body += chunkLine(piece) + "\n\n";
    body += chunk(QJsonObject{}, u"stop"_s) + "\n\n";
    body += "data: [DONE]\n\n";
    return body;
}

QByteArray FakeModelServer::streamBody(const QStringList &pieces, Usage usage, int tokens,
                                       double tokensPerSecond)
{
    QByteArray body
        = chunk(QJsonObject{{u"role"_s, u"assistant"_s}, {u"content"_s, QJsonValue::Null}})
        + "\n\n";
    for (const QString &piece : pieces)
        body += chunkLine(piece) + "\n\n";
    // llama.cpp's server puts its timings into the chunk that ends the answer.
    QJsonObject timings;
    if (usage == Usage::timings) {
        const double predictedMs = tokensPerSecond > 0 ? tokens * 1000.0 / tokensPerSecond : 0;
        timings = QJsonObject{
            {u"timings"_s,
             QJsonObject{{u"prompt_n"_s, 12},
                         {u"prompt_ms"_s, 41.5},
                         {u"prompt_per_token_ms"_s, 3.458},
                         {u"prompt_per_second"_s, 289.2},
                         {u"predicted_n"_s, tokens},
                         {u"predicted_ms"_s, predictedMs},
                         {u"predicted_per_token_ms"_s, tokens > 0 ? predictedMs / tokens : 0.0},
                         {u"predicted_per_second"_s, tokensPerSecond}}}};
    }
    body += chunk(QJsonObject{}, u"stop"_s, timings) + "\n\n";
    if (usage == Usage::usageChunk) {
        QJsonObject last = chunkObject(QJsonArray());
        last.insert(u"usage"_s,
                    QJsonObject{{u"prompt_tokens"_s, 12},
                                {u"completion_tokens"_s, tokens},
                                {u"total_tokens"_s, 12 + tokens}});
        body += "data: " + QJsonDocument(last).toJson(QJsonDocument::Compact) + "\n\n";
    }
    body += "data: [DONE]\n\n";
    return body;
}

FakeResponse FakeModelServer::slowStream(const QStringList &pieces, int delayMs)
{
    FakeResponse response = FakeResponse::eventStream(streamBody(pieces));
    response.delayBetweenPiecesMs = delayMs;
    return response;
}

QByteArray FakeModelServer::thoughtLine(Thinking thinking, const QString &piece)
{
    switch (thinking) {
    case Thinking::reasoningContent:
        return chunk(QJsonObject{{u"reasoning_content"_s, piece}});
    case Thinking::reasoning:
        return chunk(QJsonObject{{u"content"_s, u""_s}, {u"reasoning"_s, piece}});
    case Thinking::thinkTags:
        return chunkLine(piece);
    }
    Q_UNREACHABLE();
}

FakeResponse FakeModelServer::thinkingStream(Thinking thinking, const QStringList &thought,
                                             const QStringList &answer, int delayMs)
{
    QStringList pieces = thought;
    if (thinking == Thinking::thinkTags && !pieces.isEmpty()) {
        pieces.first().prepend(u"<think>"_s);
        pieces.last().append(u"</think>\n\n"_s);
    }
    QByteArray body
        = chunk(QJsonObject{{u"role"_s, u"assistant"_s}, {u"content"_s, QJsonValue::Null}})
        + "\n\n";
    for (const QString &piece : pieces)
        body += thoughtLine(thinking, piece) + "\n\n";
    for (const QString &piece : answer)
        body += chunkLine(piece) + "\n\n";
    body += chunk(QJsonObject{}, u"stop"_s) + "\n\n";
    body += "data: [DONE]\n\n";
    FakeResponse response = FakeResponse::eventStream(body);
    response.delayBetweenPiecesMs = delayMs;
    return response;
}

QByteArray FakeModelServer::modelsBody(const QStringList &ids)
{
    QJsonArray data;
    for (const QString &id : ids)
        data.append(
            QJsonObject{{u"id"_s, id}, {u"object"_s, u"model"_s}, {u"owned_by"_s, u"me"_s}});
    return QJsonDocument(QJsonObject{{u"object"_s, u"list"_s}, {u"data"_s, data}})
        .toJson(QJsonDocument::Compact);
}

QByteArray FakeModelServer::completionBody(const QString &content)
{
    const QJsonObject message{{u"role"_s, u"assistant"_s}, {u"content"_s, content}};
    const QJsonObject choice{
        {u"finish_reason"_s, u"stop"_s}, {u"index"_s, 0}, {u"message"_s, message}};
    return QJsonDocument(
               QJsonObject{{u"choices"_s, QJsonArray{choice}}, {u"object"_s, u"chat.completion"_s}})
        .toJson(QJsonDocument::Compact);
}
