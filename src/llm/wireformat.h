#pragma once

#include "llm/llmresult.h"
#include "llm/localllmmessage.h"
#include "llm/streamevent.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QStringList>

#include <optional>

// The OpenAI-compatible wire format: request bodies and the decoding of replies. Pure
// functions, so they can be tested and measured without a network.
namespace WireFormat {

struct ChatRequestOptions
{
    double temperature = 0.7;
    // "max_tokens"; the server's own limit when not set.
    std::optional<int> maxTokens;
    bool stream = false;
    // Asks a streamed answer for its usage in a last chunk ("stream_options"), which some
    // servers refuse.
    bool includeUsage = false;
};

// The body of a chat completion request.
QByteArray encodeChatRequest(const QString &model, const QList<LocalLLMMessage> &messages,
                             const ChatRequestOptions &options);

// The ids of a models list, in server order. A "data" of null counts as an empty list
// (Ollama with no model installed answers so).
LLMResult<QStringList> decodeModelIDs(const QByteArray &body);

// The content of the first choice of a non-streamed completion, trimmed; `emptyResponse`
// when there is no choice or only whitespace.
LLMResult<QString> decodeCompletion(const QByteArray &body);

// One line of a streamed completion, without its terminator.
StreamEvent decodeStreamLine(QByteArrayView line);

// A whole JSON body sent in answer to a request for a stream, as the one event it amounts to:
// a non-streamed completion is its content as a piece (`done` when it has none), an error
// object is the server's error, and anything else is not recognised.
StreamEvent decodeCompletionEvent(const QByteArray &body);

} // namespace WireFormat
