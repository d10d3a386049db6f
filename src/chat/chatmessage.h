#pragma once

#include "attachments/attachment.h"
#include "base/jsonmember.h"
#include "search/searchresult.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// How long an answer is and how fast it came.
struct AnswerStats
{
    // Tokens generated: the server's count, or else the streamed pieces (`approximate`).
    int tokens = 0;
    bool approximate = false;
    std::optional<double> tokensPerSecond;
    // From the request to the answer's first piece.
    std::optional<double> firstTokenSeconds;

    bool operator==(const AnswerStats &other) const = default;
};

// One version of an answer; asking again for an answer keeps the earlier ones.
struct AnswerVersion
{
    QString text;
    std::optional<QList<SearchResult>> sources;
    QString reasoning;
    std::optional<double> thinkingSeconds;
    QString model;
    std::optional<AnswerStats> stats;

    bool operator==(const AnswerVersion &other) const = default;
};

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
    // The id of the model that wrote this answer; empty when not known (older answers).
    QString model;
    std::optional<AnswerStats> stats;
    // Every version of an answer that was asked for again, oldest first; empty until then.
    // The fields above are the shown version, `versions[chosenVersion]`, which later
    // questions send as history.
    QList<AnswerVersion> versions;
    qsizetype chosenVersion = 0;
    // Files attached to a question: images sent beside its text, documents inside it.
    QList<Attachment> attachments;
    // Stored keys this version does not know, kept for the version that wrote them.
    JsonMembers unknownKeys;

    ChatMessage() = default;
    // A new message with a fresh id.
    ChatMessage(Role role, QString text, std::optional<QList<SearchResult>> sources = {});
    ChatMessage(QUuid id, Role role, QString text, std::optional<QList<SearchResult>> sources = {});

    // "user" / "assistant", the names used in storage and on the wire.
    static QString roleName(Role role);
    static std::optional<Role> roleFromName(QStringView name);

    // The shown version, and showing another one in its place.
    AnswerVersion version() const;
    void show(const AnswerVersion &version);

    bool operator==(const ChatMessage &other) const = default;
};
