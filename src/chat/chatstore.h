#pragma once

#include "base/result.h"
#include "base/sqlite.h"
#include "chat/chatsearch.h"
#include "chat/chatsession.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>
#include <QUuid>

#include <functional>
#include <memory>
#include <optional>

class Settings;

// Why the stored conversations could not be read or written.
struct ChatStoreError
{
    enum class Kind {
        // The store exists but cannot be read (no permission, a folder in its place, damaged
        // beyond what SQLite can open). Nothing is saved until it can, so its chats are never
        // replaced unseen.
        Unreadable,
        // The store could not be written (a full disk, a folder that is not writable).
        Unwritable,
        // Another velm process kept the store to itself for too long.
        Busy,
    };

    Kind kind = Kind::Unreadable;
    QString path;
    // What the system said, e.g. "Permission denied".
    QString reason;

    // One sentence for the user and the command line.
    QString message() const;

    bool operator==(const ChatStoreError &other) const = default;
};

template<typename T>
using ChatStoreResult = Result<T, ChatStoreError>;

// What other processes changed in the store since this one last looked.
struct ChatStoreChanges
{
    // The conversations added or changed, as summaries (see ChatStore::summaries()).
    QList<ChatSession> changed;
    // Every conversation stored now in stored order, to tell which ones are gone and where
    // new ones go.
    QList<QUuid> stored;
};

// The conversations, in an SQLite database in the data folder (chats.db).
//
// Several processes share it: the desktop app, `velm ask --save`, `velm import`. Each change
// is one transaction that writes only what changed (a conversation's own record and the
// messages named), in WAL mode with a busy timeout, so their writes wait for each other
// instead of one overwriting the other, and a process killed half way leaves everything it
// committed before.
//
// The first use moves a list stored by an earlier velm (chatSessions.json, and the older
// single-conversation form) into the database, in one transaction, and keeps the file
// beside it as chatSessions.json.migrated. A list that cannot be decoded is first copied
// aside as before, so that it is never lost.
class ChatStore
{
public:
    explicit ChatStore(Settings &settings);
    ~ChatStore();
    ChatStore(const ChatStore &) = delete;
    ChatStore &operator=(const ChatStore &) = delete;

    // The file of the database.
    QString path() const;
    static QString path(const Settings &settings);

    // Every conversation in stored order (the newest first, as they were added), without
    // its messages: each has the first question alone, for its title, and `complete` false.
    ChatStoreResult<QList<ChatSession>> summaries();
    // The conversation `id` with all its messages; nothing when there is no such one.
    ChatStoreResult<std::optional<ChatSession>> session(const QUuid &id);
    // Every conversation with all its messages, in stored order, for an export.
    ChatStoreResult<QList<ChatSession>> load();

    // Writes the conversation's own record (title, date, archived) and its messages from
    // `firstMessage` up to `endMessage` (-1: to the last); a complete conversation also loses
    // the stored messages after its last one. A conversation that is not stored (new, or
    // deleted by another process meanwhile) is written whole, at the top of the list.
    ChatStoreResult<void> save(const ChatSession &session, qsizetype firstMessage = 0,
                               qsizetype endMessage = -1);
    // Adds `sessions` after those stored, in their order, in one transaction; a conversation
    // whose id is stored already is left out.
    ChatStoreResult<void> add(const QList<ChatSession> &sessions);
    // Adds the conversations `choose` picks, given a look-up of those stored, in one
    // transaction, so that no other process stores the same ones in between (an import).
    // How many were chosen.
    using Lookup = std::function<std::optional<ChatSession>(const QUuid &id)>;
    using Choice = std::function<QList<ChatSession>(const Lookup &stored)>;
    ChatStoreResult<int> add(const Choice &choose);
    // Titles the conversation `id` unless it has a title by now.
    ChatStoreResult<void> setGeneratedTitle(const QUuid &id, const QString &title);
    ChatStoreResult<void> remove(const QUuid &id);
    // Deletes every conversation.
    ChatStoreResult<void> removeAll();

    // The conversations whose title or text matches what the user typed, the most relevant
    // first, then the newest.
    ChatStoreResult<QList<ChatSearchHit>> search(const QString &query, int limit);

    // What other processes changed since the last summaries() or changes(); nothing when
    // they changed nothing.
    ChatStoreResult<std::optional<ChatStoreChanges>> changes();

    // Keeps a snapshot of the database in the `backups` folder beside it when the newest is
    // a day old or there is none, the last seven kept; on a thread of its own.
    void backUpDaily();

    // The copy of undecodable bytes that moving an earlier list in found or made, if any.
    QString lastBackupPath() const { return m_lastBackupPath; }

private:
    static constexpr SqliteTransaction::Kind Reading = SqliteTransaction::Kind::Read;
    static constexpr SqliteTransaction::Kind Writing = SqliteTransaction::Kind::Write;

    ChatStoreResult<SqliteDatabase *> database();
    // Runs `work` in one transaction on the open database; `work` answers false on an error
    // of SQLite's, which rolls it back and is reported.
    ChatStoreResult<void> transact(SqliteTransaction::Kind kind,
                                   const std::function<bool(SqliteDatabase &)> &work);
    // Notes the store's counter and SQLite's count of others' commits as they are now.
    bool readRevision(SqliteDatabase &db);
    ChatStoreResult<void> migrateJson(SqliteDatabase &db);
    ChatStoreError failure(SqliteDatabase &db) const;
    bool keepUnreadable(const QByteArray &bytes);

    Settings &m_settings;
    std::unique_ptr<SqliteDatabase> m_db;
    QString m_lastBackupPath;
    // The store's change counter as this process last read it, and SQLite's count of the
    // commits of others, to tell when another process wrote.
    qint64 m_seenRevision = 0;
    qint64 m_dataVersion = -1;
};
