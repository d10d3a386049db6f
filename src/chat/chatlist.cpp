#include "chat/chatlist.h"

#include "chat/appevents.h"
#include "chat/chatlistoperations.h"
#include "chat/chatstore.h"

#include <QHash>

#include <algorithm>
#include <utility>

ChatList::ChatList(ChatStore &store, AppEvents &events, QObject *parent)
    : QObject(parent)
    , m_store(store)
{
    if (const ChatStoreResult<QList<ChatSession>> stored = m_store.summaries()) {
        m_sessions = stored.value();
        noteDamage();
    } else {
        noteStoreError(stored.error());
    }
    connect(&events, &AppEvents::chatsDidChangeExternally, this, &ChatList::reload);
}

std::optional<ChatSession> ChatList::session(const QUuid &id)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, id);
    if (index == -1)
        return std::nullopt;
    const qsizetype complete = completeIndex(id);
    // A conversation whose messages cannot be read shows what the list knows of it.
    return m_sessions.at(complete == -1 ? index : complete);
}

bool ChatList::contains(const QUuid &id) const
{
    return ChatListOperations::contains(m_sessions, id);
}

QList<ChatSearchHit> ChatList::search(const QString &query, int limit)
{
    ChatStoreResult<QList<ChatSearchHit>> hits = m_store.search(query, limit);
    if (!hits) {
        noteStoreError(hits.error());
        return {};
    }
    return std::move(hits).value();
}

void ChatList::dismissStoreNotice()
{
    setStoreNotice({});
}

void ChatList::retryStore()
{
    if (!saveUnsaved())
        return;
    if (m_storeNotice.kind != StoreNotice::Kind::Damaged)
        setStoreNotice({});
    reload();
}

void ChatList::reload()
{
    const ChatStoreResult<std::optional<ChatStoreChanges>> changes = m_store.changes();
    if (!changes) {
        noteStoreError(changes.error());
        return;
    }
    if (changes.value())
        adopt(*changes.value());
    noteDamage();
}

std::optional<QList<ChatSession>> ChatList::readStored()
{
    ChatStoreResult<QList<ChatSession>> stored = m_store.load();
    if (!stored)
        return std::nullopt;
    return std::move(stored).value();
}

void ChatList::rename(const QUuid &id, const QString &text)
{
    if (ChatListOperations::rename(m_sessions, id, text))
        Q_EMIT sessionsChanged();
    if (const qsizetype index = ChatListOperations::indexOf(m_sessions, id); index != -1)
        save(index, 0, 0);
}

void ChatList::setArchived(const QUuid &id, bool archived)
{
    if (ChatListOperations::setArchived(m_sessions, id, archived))
        Q_EMIT sessionsChanged();
    if (const qsizetype index = ChatListOperations::indexOf(m_sessions, id); index != -1)
        save(index, 0, 0);
}

void ChatList::remove(const QUuid &id)
{
    if (ChatListOperations::remove(m_sessions, id) > 0)
        Q_EMIT sessionsChanged();
    m_unsaved.remove(id);
    m_streaming.remove(id);
    m_unremoved.insert(id);
    saveUnsaved();
}

void ChatList::removeAll()
{
    const ChatStoreResult<void> removed = m_store.removeAll();
    if (!removed) {
        noteStoreError(removed.error());
        return;
    }
    // As if another window had deleted them: a conversation still answering stays, and is
    // stored again, whole, when its answer ends.
    const qsizetype before = m_sessions.size();
    m_sessions.removeIf(
        [this](const ChatSession &session) { return !m_streaming.contains(session.id); });
    m_unsaved.clear();
    m_unremoved.clear();
    if (m_sessions.size() != before)
        Q_EMIT sessionsChanged();
}

std::optional<QUuid> ChatList::importExchange(const ChatMessage &question,
                                              const ChatMessage &answer, const QDateTime &now)
{
    std::optional<ChatSession> imported
        = ChatListOperations::importedSession(question, answer, now);
    if (!imported)
        return std::nullopt;
    const QUuid id = imported->id;
    m_sessions.prepend(std::move(*imported));
    Q_EMIT sessionsChanged();
    save(0);
    return id;
}

std::optional<ChatImport::Plan> ChatList::importSessions(const QList<ChatSession> &incoming)
{
    ChatStoreResult<ChatImport::Plan> plan = ChatImport::into(m_store, incoming);
    if (!plan) {
        noteStoreError(plan.error());
        return std::nullopt;
    }
    noteSaved();
    // Stored after the others, as they are listed here.
    for (const ChatSession &session : plan.value().sessions) {
        if (!contains(session.id))
            m_sessions.append(session);
    }
    if (!plan.value().sessions.isEmpty())
        Q_EMIT sessionsChanged();
    return std::move(plan).value();
}

QUuid ChatList::addMessage(const std::optional<QUuid> &id, const ChatMessage &message,
                           const QDateTime &now)
{
    qsizetype index = id ? completeIndex(*id) : qsizetype(-1);
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
    save(index, session.messages.size() - 1);
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
    save(index, 0, 0);
}

void ChatList::beginAnswer(const QUuid &sessionId, const ChatMessage &message)
{
    const qsizetype index = completeIndex(sessionId);
    if (index == -1)
        return;
    m_sessions[index].messages.append(message);
    m_streaming.insert(sessionId);
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
    const qsizetype index = completeIndex(sessionId);
    ChatMessage *message = index == -1 ? nullptr : findMessage(index, messageId);
    if (!message)
        return false;
    change(*message);
    return true;
}

void ChatList::finishAnswer(const QUuid &sessionId, const QUuid &messageId,
                            const QList<SearchResult> &sources, const QDateTime &now)
{
    m_streaming.remove(sessionId);
    const qsizetype index = completeIndex(sessionId);
    if (index == -1)
        return;
    ChatSession &session = m_sessions[index];
    qsizetype first = session.messages.size();
    if (ChatMessage *message = findMessage(index, messageId)) {
        if (!sources.isEmpty())
            message->sources = sources;
        // An answer asked for again keeps its new version among the others.
        ChatListOperations::keepShownVersion(*message);
        first = message - session.messages.data();
    }
    session.updatedAt = now.toUTC();
    Q_EMIT sessionsChanged();
    save(index, first);
}

void ChatList::failAnswer(const QUuid &sessionId, const QString &failure, const QDateTime &now)
{
    m_streaming.remove(sessionId);
    const qsizetype index = completeIndex(sessionId);
    if (index == -1)
        return;
    ChatSession &session = m_sessions[index];
    // What arrived of the answer, if anything, and the failure after the last question.
    qsizetype first = session.messages.size();
    while (first > 0 && session.messages.at(first - 1).role == ChatMessage::Role::Assistant)
        --first;
    if (!failure.isEmpty())
        session.messages.append(ChatMessage(ChatMessage::Role::Assistant, failure));
    session.updatedAt = now.toUTC();
    Q_EMIT sessionsChanged();
    save(index, first);
}

std::optional<qsizetype> ChatList::beginRegeneration(const QUuid &sessionId, const QUuid &messageId)
{
    const qsizetype index = completeIndex(sessionId);
    ChatMessage *message = index == -1 ? nullptr : findMessage(index, messageId);
    if (!message || message->role != ChatMessage::Role::Assistant)
        return std::nullopt;
    const qsizetype previous = ChatListOperations::addVersion(*message);
    m_streaming.insert(sessionId);
    Q_EMIT sessionsChanged();
    return previous;
}

void ChatList::failRegeneration(const QUuid &sessionId, const QUuid &messageId, qsizetype previous,
                                const QString &failure, const QDateTime &now)
{
    m_streaming.remove(sessionId);
    const qsizetype index = completeIndex(sessionId);
    ChatMessage *message = index == -1 ? nullptr : findMessage(index, messageId);
    if (!message)
        return;
    const bool arrived = !message->text.isEmpty() || !message->reasoning.isEmpty();
    if (!arrived && failure.isEmpty()) {
        ChatListOperations::removeNewestVersion(*message, previous);
    } else {
        if (!arrived)
            message->text = failure;
        ChatListOperations::keepShownVersion(*message);
    }
    const qsizetype position = message - m_sessions[index].messages.data();
    m_sessions[index].updatedAt = now.toUTC();
    Q_EMIT sessionsChanged();
    save(index, position, position + 1);
}

bool ChatList::chooseVersion(const QUuid &sessionId, const QUuid &messageId, qsizetype index)
{
    const qsizetype session = completeIndex(sessionId);
    ChatMessage *message = session == -1 ? nullptr : findMessage(session, messageId);
    if (!message || !ChatListOperations::chooseVersion(*message, index))
        return false;
    const qsizetype position = message - m_sessions[session].messages.data();
    Q_EMIT sessionsChanged();
    save(session, position, position + 1);
    return true;
}

bool ChatList::replaceQuestion(const QUuid &sessionId, const QUuid &messageId, const QString &text,
                               const QDateTime &now)
{
    const qsizetype index = completeIndex(sessionId);
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
    // The question is the last message now; those after it go from the store too.
    save(index, session.messages.size() - 1);
    return true;
}

void ChatList::restoreSession(const ChatSession &session)
{
    qsizetype index = ChatListOperations::indexOf(m_sessions, session.id);
    if (index == -1) {
        m_sessions.prepend(session);
        index = 0;
    } else {
        m_sessions[index] = session;
    }
    m_unremoved.remove(session.id);
    Q_EMIT sessionsChanged();
    save(index);
}

ChatMessage *ChatList::findMessage(qsizetype sessionIndex, const QUuid &messageId)
{
    QList<ChatMessage> &messages = m_sessions[sessionIndex].messages;
    // The answer being written is nearly always the last message.
    for (qsizetype i = messages.size() - 1; i >= 0; --i) {
        if (messages.at(i).id == messageId)
            return &messages[i];
    }
    return nullptr;
}

qsizetype ChatList::completeIndex(const QUuid &id)
{
    const qsizetype index = ChatListOperations::indexOf(m_sessions, id);
    if (index == -1 || m_sessions.at(index).complete)
        return index;
    const ChatStoreResult<std::optional<ChatSession>> stored = m_store.session(id);
    if (!stored) {
        noteStoreError(stored.error());
        return -1;
    }
    if (!stored.value()) {
        // Deleted by another process since the list was read.
        return -1;
    }
    m_sessions[index] = *stored.value();
    return index;
}

void ChatList::save(qsizetype index, qsizetype first, qsizetype end)
{
    const ChatSession &session = m_sessions.at(index);
    if (!saveUnsaved()) {
        m_unsaved.insert(session.id);
        return;
    }
    if (const ChatStoreResult<void> saved = m_store.save(session, first, end); !saved) {
        // The change stays in memory, and the next one saves it too.
        m_unsaved.insert(session.id);
        noteStoreError(saved.error());
        return;
    }
    noteSaved();
}

bool ChatList::saveUnsaved()
{
    for (auto it = m_unremoved.begin(); it != m_unremoved.end();) {
        if (const ChatStoreResult<void> removed = m_store.remove(*it); !removed) {
            noteStoreError(removed.error());
            return false;
        }
        it = m_unremoved.erase(it);
    }
    for (auto it = m_unsaved.begin(); it != m_unsaved.end();) {
        const qsizetype index = ChatListOperations::indexOf(m_sessions, *it);
        if (index != -1) {
            if (const ChatStoreResult<void> saved = m_store.save(m_sessions.at(index)); !saved) {
                noteStoreError(saved.error());
                return false;
            }
        }
        it = m_unsaved.erase(it);
    }
    noteSaved();
    return true;
}

void ChatList::adopt(const ChatStoreChanges &changes)
{
    // What this process has not saved yet stays as it is here.
    const auto ours
        = [this](const QUuid &id) { return m_streaming.contains(id) || m_unsaved.contains(id); };
    QHash<QUuid, qsizetype> order;
    order.reserve(changes.stored.size());
    for (qsizetype i = 0; i < changes.stored.size(); ++i)
        order.insert(changes.stored.at(i), i);

    const qsizetype before = m_sessions.size();
    m_sessions.removeIf([&](const ChatSession &session) {
        return !order.contains(session.id) && !ours(session.id);
    });
    bool changed = m_sessions.size() != before;

    bool added = false;
    for (const ChatSession &summary : changes.changed) {
        const qsizetype index = ChatListOperations::indexOf(m_sessions, summary.id);
        if (index == -1) {
            m_sessions.append(summary);
            added = true;
            continue;
        }
        ChatSession &session = m_sessions[index];
        if (ours(session.id)) {
            // A rename or an archive from elsewhere still shows; the messages are ours.
            if (session.customTitle != summary.customTitle
                || session.isArchived != summary.isArchived) {
                session.customTitle = summary.customTitle;
                session.isArchived = summary.isArchived;
                changed = true;
            }
            continue;
        }
        ChatSession fresh = summary;
        if (session.complete) {
            // An open conversation is read whole again; one that cannot be keeps what it had.
            const ChatStoreResult<std::optional<ChatSession>> stored = m_store.session(summary.id);
            if (!stored || !stored.value())
                continue;
            fresh = *stored.value();
        }
        if (fresh != session) {
            session = std::move(fresh);
            changed = true;
        }
    }
    if (added) {
        // In stored order, with what is not stored yet first.
        std::stable_sort(m_sessions.begin(), m_sessions.end(),
                         [&order](const ChatSession &a, const ChatSession &b) {
                             return order.value(a.id, -1) < order.value(b.id, -1);
                         });
        changed = true;
    }
    if (changed)
        Q_EMIT sessionsChanged();
}

void ChatList::noteSaved()
{
    if (m_storeNotice.kind == StoreNotice::Kind::Unsaved
        || m_storeNotice.kind == StoreNotice::Kind::Unreadable)
        setStoreNotice({});
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
