#pragma once

#include "support/fakehttpserver.h"

#include <QJsonObject>
#include <QStringList>

#include <optional>

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

    // What the server says of an answer's length and speed.
    enum class Usage {
        none, // nothing (older servers)
        usageChunk, // OpenAI, vLLM, LM Studio, Ollama: a last chunk with empty "choices" and
                    // "usage", sent only when the request asks for it in "stream_options"
        timings, // llama.cpp: "timings" in the chunk that ends the answer
    };
    // Streams `pieces` and reports `tokens` generated at `tokensPerSecond` the way of `usage`.
    void setStreamWithUsage(const QStringList &pieces, Usage usage, int tokens,
                            double tokensPerSecond = 0);
    // Answers a streamed request that carries "stream_options" with 400, as a server that
    // does not know the member does.
    void setRejectsStreamOptions(bool rejects) { m_rejectsStreamOptions = rejects; }

    // The last body POSTed to the completions URL, parsed.
    QJsonObject lastChatRequest() const;
    // The bodies of all chat requests, in order.
    QList<QJsonObject> chatRequests() const;

    // One "data: {…}" line (without terminator) carrying `content` as a delta.
    static QByteArray chunkLine(const QString &content);
    // A whole event stream: a role-only chunk, one chunk per piece, a final chunk with an
    // empty delta, then "data: [DONE]"; each event followed by a blank line.
    static QByteArray streamBody(const QStringList &pieces);
    static QByteArray streamBody(const QStringList &pieces, Usage usage, int tokens,
                                 double tokensPerSecond);
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
    // The stream for a request that asks for the usage chunk; none: m_stream.
    std::optional<FakeResponse> m_streamWithUsage;
    bool m_rejectsStreamOptions = false;
};
