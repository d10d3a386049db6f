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
        const bool stream
            = QJsonDocument::fromJson(request.body).object().value(u"stream").toBool();
        return stream ? m_stream : m_completion;
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
}

void FakeModelServer::setStreamResponse(const FakeResponse &response)
{
    m_stream = response;
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

namespace {
QByteArray chunk(const QJsonObject &delta, const QJsonValue &finishReason = QJsonValue::Null)
{
    const QJsonObject choice{
        {u"finish_reason"_s, finishReason}, {u"index"_s, 0}, {u"delta"_s, delta}};
    const QJsonObject object{
        {u"choices"_s, QJsonArray{choice}},
        {u"created"_s, 1796574407},
        {u"id"_s, u"chatcmpl-fake"_s},
        {u"model"_s, u"fake-model"_s},
        {u"object"_s, u"chat.completion.chunk"_s},
    };
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
