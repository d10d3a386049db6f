#include "core/chatlistoperations.h"

namespace ChatListOperations {

namespace {

const ChatMessage *findMessage(const ChatSession &session, const QUuid &id)
{
    for (const ChatMessage &message : session.messages) {
        if (message.id == id)
            return &message;
    }
    return nullptr;
}

} // namespace

qsizetype indexOf(const QList<ChatSession> &sessions, const QUuid &id)
{
    for (qsizetype i = 0; i < sessions.size(); ++i) {
        if (sessions.at(i).id == id)
            return i;
    }
    return -1;
}

bool contains(const QList<ChatSession> &sessions, const QUuid &id)
{
    return indexOf(sessions, id) != -1;
}

bool rename(QList<ChatSession> &sessions, const QUuid &id, const QString &text)
{
    const qsizetype index = indexOf(sessions, id);
    if (index == -1)
        return false;
    const QString title = text.trimmed();
    ChatSession &session = sessions[index];
    if (title.isEmpty())
        session.customTitle.reset();
    else
        session.customTitle = title;
    return true;
}

bool setArchived(QList<ChatSession> &sessions, const QUuid &id, bool archived)
{
    const qsizetype index = indexOf(sessions, id);
    if (index == -1 || sessions.at(index).isArchived == archived)
        return false;
    sessions[index].isArchived = archived;
    return true;
}

qsizetype remove(QList<ChatSession> &sessions, const QUuid &id)
{
    return sessions.removeIf([&id](const ChatSession &session) { return session.id == id; });
}

std::optional<ChatSession> importedSession(const QString &query, const QString &answer,
                                           const QDateTime &now)
{
    if (query.trimmed().isEmpty())
        return std::nullopt;
    ChatSession session = ChatSession::create(now);
    session.messages.append(ChatMessage(ChatMessage::Role::User, query));
    if (!answer.trimmed().isEmpty())
        session.messages.append(ChatMessage(ChatMessage::Role::Assistant, answer));
    return session;
}

void keepUnsavedMessages(QList<ChatSession> &reloaded, const QList<ChatSession> &current,
                         const QList<std::pair<QUuid, QUuid>> &keep)
{
    for (const auto &[sessionId, messageId] : keep) {
        const qsizetype before = indexOf(current, sessionId);
        const qsizetype after = indexOf(reloaded, sessionId);
        if (before == -1 || after == -1)
            continue;
        const ChatMessage *message = findMessage(current.at(before), messageId);
        if (!message || findMessage(reloaded.at(after), messageId))
            continue;
        reloaded[after].messages.append(*message);
    }
}

} // namespace ChatListOperations
