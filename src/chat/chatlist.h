#pragma once

#include "chat/chatmessage.h"
#include "chat/chatsearch.h"
#include "chat/chatsession.h"
#include "chat/storenotice.h"
#include "search/searchresult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class AppEvents;
class ChatStore;
struct ChatStoreError;

// The conversations of this process, and the one writer of them: the main window and the
// settings window's Chats tab both change the list here, so each sees the other's change at
// once. Every change goes through ChatListOperations and is saved with ChatStore::update,
// merged with what other processes (`velm ask --save`, a second machine) stored meanwhile;
// when they announce a change ("chatsDidChangeExternally") the list is read again, keeping
// what is not saved yet.
//
// An answer streams into its message in memory only, and is saved when it ends. A problem
// with the stored chats is kept as the StoreNotice the main window shows until dismissed.
// Main thread only.
class ChatList : public QObject
{
    Q_OBJECT

public:
    // Loads the list from `store`.
    ChatList(ChatStore &store, AppEvents &events, QObject *parent = nullptr);

    const QList<ChatSession> &sessions() const { return m_sessions; }
    std::optional<ChatSession> session(const QUuid &id) const;
    bool contains(const QUuid &id) const;

    // The conversations whose title or text matches `query`, the most relevant first.
    QList<ChatSearchHit> search(const QString &query, int limit) const;

    // A problem with the stored chats to show until the user dismisses it.
    const StoreNotice &storeNotice() const { return m_storeNotice; }
    void dismissStoreNotice();
    // Reads the stored list again and saves what could not be saved before; for the
    // notice's "Try Again" once the user has fixed what was wrong.
    void retryStore();
    // Reads the stored list again, keeping what this process has not saved yet.
    void reload();
    // The list as it is stored now, read afresh, for an export of what is on disk. Nothing
    // when the store cannot be read or its bytes could not be decoded: such an export
    // would look like a backup of nothing.
    std::optional<QList<ChatSession>> readStored();

    // The changes. Each is saved at once, also one that changed nothing, so that what
    // could not be saved before is tried again.

    // A blank text removes the custom title.
    void rename(const QUuid &id, const QString &text);
    void setArchived(const QUuid &id, bool archived);
    void remove(const QUuid &id);
    // Deletes the stored list; what is not saved yet (an answer still streaming) stays.
    void removeAll();
    // A Quick Ask exchange as a new conversation at the top; its id, none for a blank
    // question.
    std::optional<QUuid> importExchange(const QString &query, const ChatMessage &answer,
                                        const QDateTime &now);
    // Chats from a file (ChatImport::plan), after those there are, in the order given.
    void importSessions(const QList<ChatSession> &sessions);
    // Appends `message` to the conversation `id`, or to a new one at the top when there is
    // no such conversation, dated `now`. Writing in an archived conversation restores it.
    // The conversation's id.
    QUuid addMessage(const std::optional<QUuid> &id, const ChatMessage &message,
                     const QDateTime &now);
    // Sets a generated title unless the conversation has a title by now (the user renamed
    // it meanwhile).
    void setGeneratedTitle(const QUuid &id, const QString &title);

    // The answer that streams in. Its message is appended empty and grows in memory; only
    // its end is saved.
    void beginAnswer(const QUuid &sessionId, const ChatMessage &message);
    // Announces nothing: pieces come far faster than the views redraw, and the one who
    // streams tells its own views. False when the message is gone.
    bool appendToAnswer(const QUuid &sessionId, const QUuid &messageId, const QString &piece);
    // Any other change to the answer that streams in (its thought), in memory like a piece.
    bool updateAnswer(const QUuid &sessionId, const QUuid &messageId,
                      const std::function<void(ChatMessage &)> &change);
    // The answer `messageId` ended; `sources` (when any) show under it.
    void finishAnswer(const QUuid &sessionId, const QUuid &messageId,
                      const QList<SearchResult> &sources, const QDateTime &now);
    // The answer ended early; `failure` (when not empty) follows it as a message of its own.
    void failAnswer(const QUuid &sessionId, const QString &failure, const QDateTime &now);

    // Asking again for the answer `messageId`: it gets a new, empty version that is shown and
    // streams in like a new answer (appendToAnswer, finishAnswer), in memory until it ends;
    // the earlier versions stay. The version shown before; none when there is no such answer.
    std::optional<qsizetype> beginRegeneration(const QUuid &sessionId, const QUuid &messageId);
    // The new version ended early. A stop or failure before anything arrived removes it and
    // shows `previous` again; a failure says why in its place; what did arrive stays.
    void failRegeneration(const QUuid &sessionId, const QUuid &messageId, qsizetype previous,
                          const QString &failure, const QDateTime &now);
    // Shows version `index` of the answer `messageId`: later questions send it as history.
    bool chooseVersion(const QUuid &sessionId, const QUuid &messageId, qsizetype index);

    // The question `messageId` reads `text` now, and every message after it is removed.
    bool replaceQuestion(const QUuid &sessionId, const QUuid &messageId, const QString &text,
                         const QDateTime &now);
    // Puts the conversation back exactly as `session` was (an edit undone); a conversation
    // deleted meanwhile comes back too.
    void restoreSession(const ChatSession &session);

Q_SIGNALS:
    // The list or one of its conversations changed (not for the pieces of an answer).
    void sessionsChanged();
    void storeNoticeChanged();

private:
    // Writes the list, merged with what others stored since it was last read or written.
    void save();
    // Takes a list just read from the store in place of `m_base`, merged into this one.
    void adoptStored(const QList<ChatSession> &stored);
    void setStoreNotice(StoreNotice notice);
    // The notice for a store that failed, or one that read but had to set damaged bytes aside.
    void noteStoreError(const ChatStoreError &error);
    void noteDamage();
    // The message `messageId` of the conversation at `sessionIndex`, if there is one.
    ChatMessage *findMessage(qsizetype sessionIndex, const QUuid &messageId);

    ChatStore &m_store;
    QList<ChatSession> m_sessions;
    // The list as this process last read or wrote it: what tells its own changes from those
    // others made to the store meanwhile.
    QList<ChatSession> m_base;
    StoreNotice m_storeNotice;
    QString m_announcedBackup;
};
