#pragma once

#include <QString>
#include <QStringList>

#include <utility>

// One conversation turn handed to the model server.
struct LocalLLMMessage
{
    LocalLLMMessage() = default;
    LocalLLMMessage(QString role, QString content, QStringList imageUrls = {})
        : role(std::move(role))
        , content(std::move(content))
        , imageUrls(std::move(imageUrls))
    { }

    QString role; // "system", "user" or "assistant"
    QString content;
    // Images sent beside the text, as "data:" URLs; a message with any goes as content parts.
    QStringList imageUrls;

    friend bool operator==(const LocalLLMMessage &, const LocalLLMMessage &) = default;
};
