#include "chat/chatsession.h"

#include <QCoreApplication>

ChatSession ChatSession::create(const QDateTime &now)
{
    ChatSession session;
    session.id = QUuid::createUuid();
    session.updatedAt = now.toUTC();
    return session;
}

QString ChatSession::title() const
{
    if (customTitle) {
        const QString trimmed = customTitle->trimmed();
        if (!trimmed.isEmpty())
            return trimmed;
    }
    for (const ChatMessage &message : messages) {
        if (message.role == ChatMessage::Role::User)
            return message.text;
    }
    return QCoreApplication::translate("ChatSession", "New Chat");
}
