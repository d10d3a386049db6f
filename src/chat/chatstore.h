#pragma once

#include "base/result.h"
#include "chat/chatsession.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>

class Settings;

// Why the stored conversations could not be read or written.
struct ChatStoreError
{
    enum class Kind {
        // The file exists but cannot be read (no permission, a folder in its place, an I/O
        // error). Nothing is saved until it can, so its chats are never replaced unseen.
        Unreadable,
        // The file could not be written (a full disk, a folder that is not writable).
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

// Loads and saves the whole list of conversations under "chatSessions".
//
// Several processes share the store: the desktop app, `velm ask --save`, a second machine
// with the same home folder. Every change is a read-modify-write of the whole list under one
// lock that all of them take, so no change is ever written over another one made meanwhile.
//
// Stored bytes are never destroyed by a save unless they were read first: a file that cannot
// be read stops every save, and a list that cannot be decoded (damaged, or not a chat list)
// is copied to a backup file beside it before anything can overwrite it.
class ChatStore
{
public:
    explicit ChatStore(Settings &settings);

    // The stored list in stored order; empty when nothing is stored, or when the stored
    // bytes could not be decoded (then lastBackupPath() tells where they were kept). Moves a
    // conversation left in the older single-chat form into the list (once).
    ChatStoreResult<QList<ChatSession>> load();

    // Reads the stored list afresh under the lock, lets `change` edit it, and writes the
    // result when `change` answers true. The list as it is stored afterwards.
    using Change = std::function<bool(QList<ChatSession> &sessions)>;
    ChatStoreResult<QList<ChatSession>> update(const Change &change);

    // Deletes the stored list, unreadable bytes included (the user asked for every chat to
    // go).
    ChatStoreResult<void> remove();

    // The backup file of undecodable bytes that the last read found or made, if any.
    QString lastBackupPath() const { return m_lastBackupPath; }

private:
    ChatStoreResult<QList<ChatSession>> read();
    // Decodes `bytes` of the list, or keeps them aside; through a cache of the last list
    // read or written, as the same bytes are read back many times.
    ChatStoreResult<QList<ChatSession>> decode(const QByteArray &bytes);
    ChatStoreResult<void> write(const QList<ChatSession> &sessions);
    bool keepUnreadable(const QByteArray &bytes);
    QString path() const;

    Settings &m_settings;
    QString m_lastBackupPath;
    // The list of the last bytes read or written, identified by their size and hash.
    qsizetype m_cachedSize = -1;
    size_t m_cachedHash = 0;
    QList<ChatSession> m_cached;
};
