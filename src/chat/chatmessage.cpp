#include "chat/chatmessage.h"

ChatMessage::ChatMessage(Role role, QString text, std::optional<QList<SearchResult>> sources)
    : ChatMessage(QUuid::createUuid(), role, std::move(text), std::move(sources))
{ }

ChatMessage::ChatMessage(QUuid id, Role role, QString text,
                         std::optional<QList<SearchResult>> sources)
    : id(id)
    , role(role)
    , text(std::move(text))
    , sources(std::move(sources))
{ }

QString ChatMessage::roleName(Role role)
{
    switch (role) {
    case Role::User:
        return QStringLiteral("user");
    case Role::Assistant:
        return QStringLiteral("assistant");
    }
    Q_UNREACHABLE();
}

std::optional<ChatMessage::Role> ChatMessage::roleFromName(QStringView name)
{
    if (name == u"user")
        return Role::User;
    if (name == u"assistant")
        return Role::Assistant;
    return std::nullopt;
}

AnswerVersion ChatMessage::version() const
{
    return {text, sources, reasoning, thinkingSeconds, model, stats};
}

void ChatMessage::show(const AnswerVersion &version)
{
    text = version.text;
    sources = version.sources;
    reasoning = version.reasoning;
    thinkingSeconds = version.thinkingSeconds;
    model = version.model;
    stats = version.stats;
}
