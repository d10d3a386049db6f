#pragma once

#include "base/jsonmember.h"
#include "search/searchresult.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// One turn of a conversation. A value: an update (a streamed piece, new sources) replaces
// the record with a copy that keeps `id` and `role`.
struct ChatMessage
{
    enum class Role { User, Assistant };

    QUuid id;
    Role role = Role::User;
    QString text;
    // Set only on answers that used web results; an empty list that is set stays distinct
    // from no list at all, so it survives a round trip through the store.
    std::optional<QList<SearchResult>> sources;
    // A thinking model's thought before this answer, shown folded above it and never sent
    // back to the model; empty for answers without one.
    QString reasoning;
    // How long the model thought, in seconds; set with `reasoning`.
    std::optional<double> thinkingSeconds;
    // Stored keys this version does not know, kept for the version that wrote them.
    JsonMembers unknownKeys;

    ChatMessage() = default;
    // A new message with a fresh id.
    ChatMessage(Role role, QString text, std::optional<QList<SearchResult>> sources = {});
    ChatMessage(QUuid id, Role role, QString text, std::optional<QList<SearchResult>> sources = {});

    // "user" / "assistant", the names used in storage and on the wire.
    static QString roleName(Role role);
    static std::optional<Role> roleFromName(QStringView name);

    bool operator==(const ChatMessage &other) const = default;
};
