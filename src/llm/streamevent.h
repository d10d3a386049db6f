#pragma once

#include "llm/localllmerror.h"

#include <QString>

#include <optional>

// What a server says of an answer's length and speed: the OpenAI usage object (sent in a
// chunk of its own at the end when asked for with "stream_options") and llama.cpp's
// "timings". Each member is set only when the server sent it.
struct StreamUsage
{
    // Kept small (-1 and 0 mean "not sent"): every event carries one.
    // usage.completion_tokens
    int completionTokens = -1;
    // timings.predicted_n and timings.predicted_per_second
    int predictedTokens = -1;
    double tokensPerSecond = 0;

    bool isEmpty() const
    {
        return completionTokens < 0 && predictedTokens < 0 && tokensPerSecond <= 0;
    }
    // What a later chunk says counts over what an earlier one said.
    void merge(const StreamUsage &later)
    {
        if (later.completionTokens >= 0)
            completionTokens = later.completionTokens;
        if (later.predictedTokens >= 0)
            predictedTokens = later.predictedTokens;
        if (later.tokensPerSecond > 0)
            tokensPerSecond = later.tokensPerSecond;
    }
    // The tokens generated as the server counted them, or -1.
    int tokens() const { return completionTokens >= 0 ? completionTokens : predictedTokens; }
};

// What one line of a streamed completion means for the stream.
struct StreamEvent
{
    enum class Type {
        skip, // not a data line, not decodable, or no text: read on
        piece, // `text` is the next piece of the answer, `reasoning` of the model's thought
        done, // "[DONE]": the answer is complete, later lines are not read
        error, // the server reported an error: the stream ends with `error`
    };

    Type type = Type::skip;
    QString text;
    // What a thinking model sent beside the answer ("reasoning_content" or "reasoning").
    QString reasoning;
    LocalLLMError error;
    // The line was of the wire format ("[DONE]", an error, a chunk with or without text).
    // A body without a single such line is not an answer, whatever it is.
    bool recognised = false;
    // Sent with the line, usually in the last chunk before "[DONE]".
    StreamUsage usage;
};
