#pragma once

#include "chat/chatimport.h"
#include "chat/chatmessage.h"
#include "chat/chatsearch.h"
#include "chat/chatsession.h"
#include "chat/storenotice.h"
#include "search/searchresult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

class AppEvents;
class ChatStore;
struct ChatStoreChanges;
struct ChatStoreError;

// The conversations of this process, and the one writer of them: the main window and the
// settings window's Chats tab both change the list here, so each sees the other's change at
// once. Each change is made here in memory and saved at once through ChatStore, which writes
// only what changed: a conversation's record, the messages that are new or changed. When
// other processes (`velm ask --save`, `velm import`) change the store
// ("chatsDidChangeExternally"), the conversations they changed are read again, keeping what
// this process has not saved yet.
//
// The list holds every conversation's record and the start of its first question; the
// messages of a conversation are read when it is first asked for. An answer streams into its
// message in memory only, and is saved when it ends. A change that could not be saved is
// saved whole with the next one. A problem with the stored chats is kept as the StoreNotice
// the main window shows until dismissed. Main thread only.
class ChatList : public QObject
{
    Q_OBJECT

public:
    // Loads the list from `store`.
    ChatList(ChatStore &store, AppEvents &events, QObject *parent = nullptr);

    // Every conversation, most without their messages (ChatSession::complete).
    const QList<ChatSession> &sessions() const { return m_sessions; }
    // The conversation `id` with all its messages, read from the store on the first call.
    std::optional<ChatSession> session(const QUuid &id);
    bool contains(const QUuid &id) const;

    // The conversations whose title or text matches `query`, the most relevant first.
    QList<ChatSearchHit> search(const QString &query, int limit);

    // A problem with the stored chats to show until the user dismisses it.
    const StoreNotice &storeNotice() const { return m_storeNotice; }
    void dismissStoreNotice();
    // Saves what could not be saved before and reads what others changed; for the
    // notice's "Try Again" once the user has fixed what was wrong.
    void retryStore();
    // Reads the conversations other processes changed, keeping what this process has not
    // saved yet.
    void reload();
    // Every stored conversation with its messages, read afresh, for an export of what is on
    // disk. Nothing when the store cannot be read: such an export would look like a backup
    // of nothing.
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
    std::optional<QUuid> importExchange(const ChatMessage &question, const ChatMessage &answer,
                                        const QDateTime &now);
    // Adds the chats of a file that are not stored yet (ChatImport), after the others; what
    // was added and skipped, nothing when the store failed (the notice says why).
    std::optional<ChatImport::Plan> importSessions(const QList<ChatSession> &incoming);
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
    // Where the conversation `id` is in the list with all its messages read, or -1 when
    // there is no such conversation or its messages cannot be read.
    qsizetype completeIndex(const QUuid &id);
    // Saves the conversation at `index`: its record and its messages from `first` up to
    // `end` (-1: to the last).
    void save(qsizetype index, qsizetype first = 0, qsizetype end = -1);
    // Saves whole what could not be saved before; false when the store still fails.
    bool saveUnsaved();
    void adopt(const ChatStoreChanges &changes);
    void noteSaved();
    void setStoreNotice(StoreNotice notice);
    // The notice for a store that failed, or one that read but had to set damaged bytes aside.
    void noteStoreError(const ChatStoreError &error);
    void noteDamage();
    // The message `messageId` of the conversation at `sessionIndex`, if there is one.
    ChatMessage *findMessage(qsizetype sessionIndex, const QUuid &messageId);

    ChatStore &m_store;
    QList<ChatSession> m_sessions;
    // Conversations whose last change could not be saved, and deleted ones whose deletion
    // could not be: both are tried again, whole, with the next change.
    QSet<QUuid> m_unsaved;
    QSet<QUuid> m_unremoved;
    // Conversations with an answer that streams in memory: what others store meanwhile does
    // not replace their messages.
    QSet<QUuid> m_streaming;
    StoreNotice m_storeNotice;
    QString m_announcedBackup;
};
