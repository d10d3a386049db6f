#pragma once

#include "base/jsonmember.h"
#include "chat/chatmessage.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One conversation. A value like its messages: changes produce a copy with the same `id`.
struct ChatSession
{
    QUuid id;
    QList<ChatMessage> messages;
    // Kept in UTC with millisecond precision; drives the order and the sidebar groups.
    QDateTime updatedAt;
    // Set by renaming or by title generation; absent means the title comes from the content.
    std::optional<QString> customTitle;
    bool isArchived = false;
    // Stored keys this version does not know, kept for the version that wrote them.
    JsonMembers unknownKeys;
    // False for a conversation listed without its messages, as the sidebar lists them:
    // `messages` then holds the start of the first question alone, for the title.
    bool complete = true;

    // A new, empty conversation with a fresh id.
    static ChatSession create(const QDateTime &now);

    // The name shown for the conversation: a non-blank custom title (trimmed), else the text
    // of the first user message as written, else "New Chat".
    QString title() const;

    bool operator==(const ChatSession &other) const = default;
};
