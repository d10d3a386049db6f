#pragma once

#include <QString>

// One conversation turn handed to the model server.
struct LocalLLMMessage
{
    QString role; // "system", "user" or "assistant"
    QString content;

    friend bool operator==(const LocalLLMMessage &, const LocalLLMMessage &) = default;
};
