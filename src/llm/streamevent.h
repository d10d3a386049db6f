#pragma once

#include "llm/localllmerror.h"

#include <QString>

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
};
