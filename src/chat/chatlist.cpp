#include "chat/chatlist.h"

#include "chat/appevents.h"
#include "chat/chatlistoperations.h"
#include "chat/chatstore.h"

#include <algorithm>
#include <utility>

ChatList::ChatList(ChatStore &store, AppEvents &events, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    if (const ChatStoreResult<QList<ChatSession>> stored = m_store.load()) {
        m_sessions = stored.value();
        m_base = m_sessions;
        noteDamage();
    } else {
        noteStoreError(stored.error());
    }
    connect(&events, &AppEvents::chatsDidChangeExternally, this, &ChatList::reload);
}

std::optional<ChatSession> ChatList::session(const QUuid &id) const
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, id);
    if (index == -1)
        return std::nullopt;
    return m_sessions.at(index);
}

bool ChatList::contains(const QUuid &id) const
{
    return ChatListOperations::contains(m_sessions, id);
}

QList<ChatSearchHit> ChatList::search(const QString &query, int limit) const
{
    return ChatSearch::find(m_sessions, query, limit);
}

void ChatList::dismissStoreNotice()
{
    setStoreNotice({});
}

void ChatList::retryStore()
{
    const ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored) {
        noteStoreError(stored.error());
        return;
    }
    if (m_storeNotice.kind != StoreNotice::Kind::Damaged)
        setStoreNotice({});
    adoptStored(stored.value());
    noteDamage();
    // What could not be saved while the store was out of reach is saved now.
    if (m_sessions != m_base)
        save();
}

void ChatList::reload()
{
    const ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored) {
        noteStoreError(stored.error());
        return;
    }
    adoptStored(stored.value());
    noteDamage();
}

std::optional<QList<ChatSession>> ChatList::readStored()
{
    const ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored || (stored.value().isEmpty() && !m_store.lastBackupPath().isEmpty()))
        return std::nullopt;
    return stored.value();
}

void ChatList::rename(const QUuid &id, const QString &text)
{
    if (ChatListOperations::rename(m_sessions, id, text))
        Q_EMIT sessionsChanged();
    save();
}

void ChatList::setArchived(const QUuid &id, bool archived)
{
    if (ChatListOperations::setArchived(m_sessions, id, archived))
        Q_EMIT sessionsChanged();
    save();
}

void ChatList::remove(const QUuid &id)
{
    if (ChatListOperations::remove(m_sessions, id) > 0)
        Q_EMIT sessionsChanged();
    save();
}

void ChatList::removeAll()
{
    const ChatStoreResult<void> removed = m_store.remove();
    if (!removed) {
        noteStoreError(removed.error());
        return;
    }
    // As if another window had deleted them: a conversation still answering stays.
    adoptStored({});
}

std::optional<QUuid> ChatList::importExchange(const QString &query, const ChatMessage &answer,
                                              const QDateTime &now)
{
    std::optional<ChatSession> imported = ChatListOperations::importedSession(query, answer, now);
    if (!imported)
        return std::nullopt;
    const QUuid id = imported->id;
    m_sessions.prepend(std::move(*imported));
    Q_EMIT sessionsChanged();
    save();
    return id;
}

void ChatList::importSessions(const QList<ChatSession> &sessions)
{
    m_sessions.append(sessions);
    Q_EMIT sessionsChanged();
    save();
}

QUuid ChatList::addMessage(const std::optional<QUuid> &id, const ChatMessage &message,
                           const QDateTime &now)
{
    qsizetype index = id ? ChatListOperations::indexOf(m_sessions, *id) : qsizetype(-1);
    if (index == -1) {
        m_sessions.prepend(ChatSession::create(now));
        index = 0;
    }
    ChatSession &session = m_sessions[index];
    session.isArchived = false;
    session.messages.append(message);
    session.updatedAt = now.toUTC();
    const QUuid sessionId = session.id;
    Q_EMIT sessionsChanged();
    save();
    return sessionId;
}

void ChatList::setGeneratedTitle(const QUuid &id, const QString &title)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, id);
    if (index == -1 || title.trimmed().isEmpty())
        return;
    ChatSession &session = m_sessions[index];
    // A name the user gave meanwhile wins.
    if (session.customTitle)
        return;
    session.customTitle = title;
    Q_EMIT sessionsChanged();
    save();
}

void ChatList::beginAnswer(const QUuid &sessionId, const ChatMessage &message)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index == -1)
        return;
    m_sessions[index].messages.append(message);
    Q_EMIT sessionsChanged();
}

bool ChatList::appendToAnswer(const QUuid &sessionId, const QUuid &messageId, const QString &piece)
{
    return updateAnswer(sessionId, messageId,
                        [&piece](ChatMessage &message) { message.text += piece; });
}

bool ChatList::updateAnswer(const QUuid &sessionId, const QUuid &messageId,
                            const std::function<void(ChatMessage &)> &change)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index == -1)
        return false;
    QList<ChatMessage> &messages = m_sessions[index].messages;
    // The answer being written is nearly always the last message.
    auto it = std::find_if(
        messages.rbegin(), messages.rend(),
        [&messageId](const ChatMessage &message) { return message.id == messageId; });
    if (it == messages.rend())
        return false;
    change(*it);
    return true;
}

void ChatList::finishAnswer(const QUuid &sessionId, const QUuid &messageId,
                            const QList<SearchResult> &sources, const QDateTime &now)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index != -1) {
        ChatSession &session = m_sessions[index];
        if (!sources.isEmpty()) {
            for (ChatMessage &message : session.messages) {
                if (message.id == messageId) {
                    message.sources = sources;
                    break;
                }
            }
        }
        // An answer asked for again keeps its new version among the others.
        if (ChatMessage *message = findMessage(index, messageId))
            ChatListOperations::keepShownVersion(*message);
        session.updatedAt = now.toUTC();
        Q_EMIT sessionsChanged();
    }
    save();
}

void ChatList::failAnswer(const QUuid &sessionId, const QString &failure, const QDateTime &now)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index != -1) {
        ChatSession &session = m_sessions[index];
        if (!failure.isEmpty())
            session.messages.append(ChatMessage(ChatMessage::Role::Assistant, failure));
        session.updatedAt = now.toUTC();
        Q_EMIT sessionsChanged();
    }
    save();
}

std::optional<qsizetype> ChatList::beginRegeneration(const QUuid &sessionId, const QUuid &messageId)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    ChatMessage *message = index == -1 ? nullptr : findMessage(index, messageId);
    if (!message || message->role != ChatMessage::Role::Assistant)
        return std::nullopt;
    const qsizetype previous = ChatListOperations::addVersion(*message);
    Q_EMIT sessionsChanged();
    return previous;
}

void ChatList::failRegeneration(const QUuid &sessionId, const QUuid &messageId, qsizetype previous,
                                const QString &failure, const QDateTime &now)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (ChatMessage *message = index == -1 ? nullptr : findMessage(index, messageId)) {
        const bool arrived = !message->text.isEmpty() || !message->reasoning.isEmpty();
        if (!arrived && failure.isEmpty()) {
            ChatListOperations::removeNewestVersion(*message, previous);
        } else {
            if (!arrived)
                message->text = failure;
            ChatListOperations::keepShownVersion(*message);
        }
        m_sessions[index].updatedAt = now.toUTC();
        Q_EMIT sessionsChanged();
    }
    save();
}

bool ChatList::chooseVersion(const QUuid &sessionId, const QUuid &messageId, qsizetype index)
{
    const qsizetype session = ChatListOperations::indexOf(m_sessions, sessionId);
    ChatMessage *message = session == -1 ? nullptr : findMessage(session, messageId);
    if (!message || !ChatListOperations::chooseVersion(*message, index))
        return false;
    Q_EMIT sessionsChanged();
    save();
    return true;
}

bool ChatList::replaceQuestion(const QUuid &sessionId, const QUuid &messageId, const QString &text,
                               const QDateTime &now)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, sessionId);
    if (index == -1)
        return false;
    ChatSession &session = m_sessions[index];
    const auto question = std::find_if(
        session.messages.begin(), session.messages.end(),
        [&messageId](const ChatMessage &message) { return message.id == messageId; });
    if (question == session.messages.end() || question->role != ChatMessage::Role::User)
        return false;
    question->text = text;
    session.messages.erase(question + 1, session.messages.end());
    session.isArchived = false;
    session.updatedAt = now.toUTC();
    Q_EMIT sessionsChanged();
    save();
    return true;
}

void ChatList::restoreSession(const ChatSession &session)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, session.id);
    if (index == -1)
        m_sessions.prepend(session);
    else
        m_sessions[index] = session;
    Q_EMIT sessionsChanged();
    save();
}

ChatMessage *ChatList::findMessage(qsizetype sessionIndex, const QUuid &messageId)
{
    QList<ChatMessage> &messages = m_sessions[sessionIndex].messages;
    for (qsizetype i = messages.size() - 1; i >= 0; --i) {
        if (messages.at(i).id == messageId)
            return &messages[i];
    }
    return nullptr;
}

void ChatList::save()
{
    const QList<ChatSession> base = m_base;
    const QList<ChatSession> ours = m_sessions;
    const ChatStoreResult<QList<ChatSession>> stored
        = m_store.update([&base, &ours](QList<ChatSession> &sessions) {
              QList<ChatSession> merged = ChatListOperations::merge(base, ours, sessions);
              if (merged == sessions)
                  return false;
              sessions = std::move(merged);
              return true;
          });
    if (!stored) {
        // The list stays in memory, and the next change tries again.
        noteStoreError(stored.error());
        return;
    }
    if (m_storeNotice.kind == StoreNotice::Kind::Unsaved
        || m_storeNotice.kind == StoreNotice::Kind::Unreadable)
        setStoreNotice({});
    m_base = stored.value();
    if (m_base == m_sessions)
        return;
    // Others changed the list meanwhile: this process shows what is stored now.
    m_sessions = m_base;
    Q_EMIT sessionsChanged();
}

void ChatList::adoptStored(const QList<ChatSession> &stored)
{
    QList<ChatSession> merged = ChatListOperations::merge(m_base, m_sessions, stored);
    m_base = stored;
    if (merged == m_sessions)
        return;
    m_sessions = std::move(merged);
    Q_EMIT sessionsChanged();
}

void ChatList::setStoreNotice(StoreNotice notice)
{
    if (m_storeNotice == notice)
        return;
    m_storeNotice = std::move(notice);
    Q_EMIT storeNoticeChanged();
}

void ChatList::noteStoreError(const ChatStoreError &error)
{
    const bool unreadable = error.kind == ChatStoreError::Kind::Unreadable;
    setStoreNotice({unreadable ? StoreNotice::Kind::Unreadable : StoreNotice::Kind::Unsaved,
                    error.path, error.reason});
}

void ChatList::noteDamage()
{
    // Told once per copy: a notice the user dismissed stays dismissed while the same
    // damaged bytes are read again.
    const QString backup = m_store.lastBackupPath();
    if (backup.isEmpty() || backup == m_announcedBackup)
        return;
    m_announcedBackup = backup;
    setStoreNotice({StoreNotice::Kind::Damaged, backup, {}});
}
