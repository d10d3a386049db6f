#pragma once

#include <QString>
#include <QStringList>

// One conversation turn handed to the model server.
struct LocalLLMMessage
{
    QString role; // "system", "user" or "assistant"
    QString content;
    // Images sent beside the text, as "data:" URLs; a message with any goes as content parts.
    QStringList imageUrls;

    friend bool operator==(const LocalLLMMessage &, const LocalLLMMessage &) = default;
};
