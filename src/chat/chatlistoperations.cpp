#include "chat/chatlistoperations.h"

#include <QHash>

#include <algorithm>

namespace ChatListOperations {

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

std::optional<ChatSession> importedSession(const ChatMessage &question, const ChatMessage &answer,
                                           const QDateTime &now)
{
    if (question.text.trimmed().isEmpty() && question.attachments.isEmpty())
        return std::nullopt;
    ChatSession session = ChatSession::create(now);
    session.messages.append(question);
    if (!answer.text.trimmed().isEmpty())
        session.messages.append(answer);
    return session;
}

void keepShownVersion(ChatMessage &message)
{
    if (message.chosenVersion >= 0 && message.chosenVersion < message.versions.size())
        message.versions[message.chosenVersion] = message.version();
}

qsizetype addVersion(ChatMessage &message)
{
    if (message.versions.isEmpty()) {
        message.versions.append(message.version());
        message.chosenVersion = 0;
    } else {
        keepShownVersion(message);
    }
    const qsizetype before = message.chosenVersion;
    message.versions.append(AnswerVersion());
    message.chosenVersion = message.versions.size() - 1;
    message.show(AnswerVersion());
    return before;
}

void removeNewestVersion(ChatMessage &message, qsizetype shown)
{
    if (message.versions.isEmpty())
        return;
    message.versions.removeLast();
    message.chosenVersion = std::clamp<qsizetype>(shown, 0, message.versions.size() - 1);
    if (!message.versions.isEmpty())
        message.show(message.versions.at(message.chosenVersion));
    // One version is no choice: the answer is stored as before it was asked for again.
    if (message.versions.size() <= 1) {
        message.versions.clear();
        message.chosenVersion = 0;
    }
}

bool chooseVersion(ChatMessage &message, qsizetype index)
{
    if (index < 0 || index >= message.versions.size() || index == message.chosenVersion)
        return false;
    keepShownVersion(message);
    message.chosenVersion = index;
    message.show(message.versions.at(index));
    return true;
}

} // namespace ChatListOperations
