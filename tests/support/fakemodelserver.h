#pragma once

#include "support/fakehttpserver.h"

#include <QJsonObject>
#include <QStringList>

// A fake OpenAI-compatible model server (LM Studio, llama.cpp) on loopback, speaking the
// chunk shapes of llama.cpp's server. GET /v1/models lists `setModels`; POST
// /v1/chat/completions answers a streamed request with `setStream` and a non-streamed one
// with `setCompletion`. Everything else of FakeHttpServer (routes, requests, connections)
// is reachable through http().
class FakeModelServer
{
public:
    FakeModelServer();

    bool listen() { return m_http.listen(); }
    FakeHttpServer &http() { return m_http; }
    // What a user would type as the server address: "http://127.0.0.1:<port>".
    QString address() const;

    void setModels(const QStringList &ids);
    void setModelsResponse(const FakeResponse &response);
    void setStream(const QStringList &pieces);
    void setStreamResponse(const FakeResponse &response);
    void setCompletion(const QString &content);
    void setCompletionResponse(const FakeResponse &response);

    // The last body POSTed to the completions URL, parsed.
    QJsonObject lastChatRequest() const;

    // One "data: {…}" line (without terminator) carrying `content` as a delta.
    static QByteArray chunkLine(const QString &content);
    // A whole event stream: a role-only chunk, one chunk per piece, a final chunk with an
    // empty delta, then "data: [DONE]"; each event followed by a blank line.
    static QByteArray streamBody(const QStringList &pieces);
    // That stream with one piece per event, sent `delayMs` apart.
    static FakeResponse slowStream(const QStringList &pieces, int delayMs);

    // The three ways a thinking model's thought comes over the wire.
    enum class Thinking {
        reasoningContent, // llama.cpp's server, vLLM, DeepSeek: delta.reasoning_content
        reasoning, // Ollama and LM Studio: delta.reasoning, beside an empty content
        thinkTags, // left in the text: "<think>", the thought, "</think>", the answer
    };
    // One event line of the thought `piece`, in the shape of `thinking`.
    static QByteArray thoughtLine(Thinking thinking, const QString &piece);
    // A stream that thinks in `thought` pieces, then answers in `answer` pieces, one event
    // each; with `delayMs` between the events.
    static FakeResponse thinkingStream(Thinking thinking, const QStringList &thought,
                                       const QStringList &answer, int delayMs = 0);
    static QByteArray modelsBody(const QStringList &ids);
    static QByteArray completionBody(const QString &content);

private:
    FakeHttpServer m_http;
    FakeResponse m_models;
    FakeResponse m_stream;
    FakeResponse m_completion;
};
