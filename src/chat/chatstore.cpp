#include "chat/chatstore.h"

#include "base/sqlite.h"
#include "chat/chatcodec.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QThreadPool>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int schemaVersion = 1;
constexpr int backupsKept = 7;
// An addition of this many chats or more builds the search index anew.
constexpr int bulkChats = 200;
// How many of the newest matches of a search are ranked.
constexpr int rankedMatches = 1000;

// Each change takes the next number of the store-wide counter, so that another process
// can ask for everything changed after the last number it saw.
constexpr const char *schema = R"sql(
CREATE TABLE store (revision INTEGER NOT NULL);
INSERT INTO store (revision) VALUES (0);

CREATE TABLE chats (
    key INTEGER PRIMARY KEY,
    id TEXT NOT NULL UNIQUE,
    -- The list's order: a new conversation goes before the others.
    seq INTEGER NOT NULL,
    -- Milliseconds since 1970 in UTC.
    updated_at INTEGER NOT NULL,
    custom_title TEXT,
    archived INTEGER NOT NULL DEFAULT 0,
    revision INTEGER NOT NULL,
    -- Keys a newer velm stored, as a JSON object.
    extra TEXT
);
CREATE INDEX chats_by_revision ON chats (revision);
CREATE INDEX chats_in_order ON chats (seq);

CREATE TABLE messages (
    key INTEGER PRIMARY KEY,
    chat INTEGER NOT NULL REFERENCES chats (key) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    id TEXT NOT NULL,
    role TEXT NOT NULL,
    text TEXT NOT NULL,
    reasoning TEXT,
    thinking_seconds REAL,
    model TEXT,
    -- JSON, in the form of the exported records.
    stats TEXT,
    sources TEXT,
    versions TEXT,
    chosen_version INTEGER NOT NULL DEFAULT 0,
    extra TEXT,
    UNIQUE (chat, position)
);

-- What users attached, kept once for every message that carries the same content, and
-- removed with the last of them.
CREATE TABLE attachments (
    key INTEGER PRIMARY KEY,
    -- The SHA-256 of the content, in hex.
    hash TEXT NOT NULL UNIQUE,
    kind TEXT NOT NULL,
    -- An image as it is sent; a document's file as it was attached.
    data BLOB NOT NULL,
    data_type TEXT NOT NULL,
    -- A document's text as it is sent.
    text TEXT
);
CREATE TABLE message_attachments (
    message INTEGER NOT NULL REFERENCES messages (key) ON DELETE CASCADE,
    position INTEGER NOT NULL,
    hash TEXT NOT NULL REFERENCES attachments (hash),
    name TEXT NOT NULL,
    type TEXT NOT NULL,
    size INTEGER NOT NULL,
    PRIMARY KEY (message, position)
);
CREATE INDEX attachment_users ON message_attachments (hash);
CREATE TRIGGER attachment_released AFTER DELETE ON message_attachments BEGIN
    DELETE FROM attachments WHERE hash = old.hash
        AND NOT EXISTS (SELECT 1 FROM message_attachments WHERE hash = old.hash);
END;

CREATE VIRTUAL TABLE message_text USING fts5 (text, content = 'messages',
    content_rowid = 'key', tokenize = 'unicode61 remove_diacritics 2');
CREATE VIRTUAL TABLE chat_titles USING fts5 (custom_title, content = 'chats',
    content_rowid = 'key', tokenize = 'unicode61 remove_diacritics 2');

CREATE TRIGGER message_removed AFTER DELETE ON messages BEGIN
    INSERT INTO message_text (message_text, rowid, text) VALUES ('delete', old.key, old.text);
END;
CREATE TRIGGER message_rewritten AFTER UPDATE OF text ON messages BEGIN
    INSERT INTO message_text (message_text, rowid, text) VALUES ('delete', old.key, old.text);
    INSERT INTO message_text (rowid, text) VALUES (new.key, new.text);
END;
CREATE TRIGGER chat_removed AFTER DELETE ON chats BEGIN
    INSERT INTO chat_titles (chat_titles, rowid, custom_title)
        VALUES ('delete', old.key, old.custom_title);
END;
CREATE TRIGGER chat_renamed AFTER UPDATE OF custom_title ON chats BEGIN
    INSERT INTO chat_titles (chat_titles, rowid, custom_title)
        VALUES ('delete', old.key, old.custom_title);
    INSERT INTO chat_titles (rowid, custom_title) VALUES (new.key, new.custom_title);
END;
)sql";

// Indexing each new row as it comes; a large addition drops these and builds the index
// again at its end, which takes a quarter of the time.
constexpr const char *addedTriggers = R"sql(
CREATE TRIGGER message_added AFTER INSERT ON messages BEGIN
    INSERT INTO message_text (rowid, text) VALUES (new.key, new.text);
END;
CREATE TRIGGER chat_added AFTER INSERT ON chats BEGIN
    INSERT INTO chat_titles (rowid, custom_title) VALUES (new.key, new.custom_title);
END;
)sql";

// The columns that summary() and message() read; macros, so that each statement is one
// literal and is prepared once.
#define VELM_SUMMARY_COLUMNS                                                                       \
    "c.id, c.updated_at, c.custom_title, c.archived, c.extra, "                                    \
    "(SELECT substr(m.text, 1, 300) FROM messages m WHERE m.chat = c.key AND m.role = 'user' "     \
    "ORDER BY m.position LIMIT 1)"
#define VELM_ATTACHMENT_COLUMNS                                                                    \
    "m.chat, m.position, r.name, r.type, r.size, a.hash, a.kind, a.data, a.data_type, a.text"
#define VELM_MESSAGE_COLUMNS                                                                       \
    "id, role, text, reasoning, thinking_seconds, model, stats, sources, versions, "               \
    "chosen_version, extra"

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

QString jsonText(const QByteArray &json)
{
    return QString::fromUtf8(json);
}

std::optional<QString> membersText(const JsonMembers &members)
{
    if (members.isEmpty())
        return std::nullopt;
    return jsonText(ChatCodec::encodeMembers(members));
}

JsonMembers members(const SqliteStatement &row, int column)
{
    if (row.isNull(column))
        return {};
    return ChatCodec::decodeMembers(row.text(column).toUtf8()).value_or(JsonMembers());
}

// A conversation's own record from VELM_SUMMARY_COLUMNS, with the start of its first
// question as its one message, for the title (the sidebar never shows more of it).
ChatSession summary(const SqliteStatement &row)
{
    ChatSession session;
    session.id = QUuid::fromString(row.text(0));
    session.updatedAt = QDateTime::fromMSecsSinceEpoch(row.integer(1), Qt::UTC);
    session.customTitle = row.optionalText(2);
    session.isArchived = row.integer(3) != 0;
    session.unknownKeys = members(row, 4);
    if (!row.isNull(5))
        session.messages.append(ChatMessage(QUuid(), ChatMessage::Role::User, row.text(5)));
    session.complete = false;
    return session;
}

// A message from VELM_MESSAGE_COLUMNS, which start at column `first`. A part that cannot be decoded
// (written by hand, or damaged) is left out rather than costing the conversation.
ChatMessage message(const SqliteStatement &row, int first = 0)
{
    ChatMessage message;
    message.id = QUuid::fromString(row.text(first));
    // A role only a newer velm knows reads as an answer, which is never sent as a question.
    message.role
        = ChatMessage::roleFromName(row.text(first + 1)).value_or(ChatMessage::Role::Assistant);
    message.text = row.text(first + 2);
    message.reasoning = row.text(first + 3);
    message.thinkingSeconds = row.optionalReal(first + 4);
    message.model = row.text(first + 5);
    if (!row.isNull(first + 6))
        message.stats = ChatCodec::decodeStats(row.text(first + 6).toUtf8());
    if (!row.isNull(first + 7))
        message.sources = ChatCodec::decodeSources(row.text(first + 7).toUtf8());
    if (!row.isNull(first + 8)) {
        message.versions = ChatCodec::decodeVersions(row.text(first + 8).toUtf8())
                               .value_or(QList<AnswerVersion>());
        message.chosenVersion = std::clamp<qsizetype>(
            row.integer(first + 9), 0, std::max<qsizetype>(0, message.versions.size() - 1));
    }
    message.unknownKeys = members(row, first + 10);
    return message;
}

// The next number of the store's change counter, in the transaction that makes a change.
std::optional<qint64> nextRevision(SqliteDatabase &db)
{
    SqliteStatement &next
        = db.prepare("UPDATE store SET revision = revision + 1 RETURNING revision");
    if (!next.next())
        return std::nullopt;
    const qint64 revision = next.integer(0);
    return next.run() ? std::optional(revision) : std::nullopt;
}

// The key of the stored conversation `id`; 0 when there is none, nothing on an error.
std::optional<qint64> chatKey(SqliteDatabase &db, const QUuid &id)
{
    SqliteStatement &find = db.prepare("SELECT key FROM chats WHERE id = ?1");
    find.bind(1, uuidText(id));
    const qint64 key = find.next() ? find.integer(0) : 0;
    return find.run() ? std::optional(key) : std::nullopt;
}

// Inserts the conversation's own record at place `seq` of the list, or at the top; its key,
// 0 on an error.
qint64 insertRecord(SqliteDatabase &db, const ChatSession &session, qint64 revision,
                    std::optional<qint64> seq = std::nullopt)
{
    SqliteStatement &insert = db.prepare(
        "INSERT INTO chats (id, seq, updated_at, custom_title, archived, revision, extra) "
        "VALUES (?1, coalesce(?2, (SELECT coalesce(min(seq), 0) - 1 FROM chats)), ?3, ?4, ?5, "
        "?6, ?7)");
    insert.bind(1, uuidText(session.id))
        .bind(2, seq)
        .bind(3, session.updatedAt.toMSecsSinceEpoch())
        .bind(4, session.customTitle)
        .bind(5, int(session.isArchived))
        .bind(6, revision)
        .bind(7, membersText(session.unknownKeys));
    return insert.run() ? db.lastInsertRowId() : 0;
}

bool updateRecord(SqliteDatabase &db, qint64 key, const ChatSession &session, qint64 revision)
{
    SqliteStatement &update
        = db.prepare("UPDATE chats SET updated_at = ?2, custom_title = ?3, archived = ?4, "
                     "revision = ?5, extra = ?6 WHERE key = ?1");
    update.bind(1, key)
        .bind(2, session.updatedAt.toMSecsSinceEpoch())
        .bind(3, session.customTitle)
        .bind(4, int(session.isArchived))
        .bind(5, revision)
        .bind(6, membersText(session.unknownKeys));
    return update.run();
}

// The attachments of the message `key`, written when they differ from those stored. `fresh`:
// the message was never stored, so there is nothing to compare.
bool writeAttachments(SqliteDatabase &db, qint64 key, const QList<Attachment> &attachments,
                      bool fresh)
{
    if (fresh && attachments.isEmpty())
        return true;
    if (!fresh) {
        // Most writes of a message leave its attachments as they were: the end of an answer,
        // an edit of a question's text.
        SqliteStatement &stored = db.prepare(
            "SELECT hash, name FROM message_attachments WHERE message = ?1 ORDER BY position");
        stored.bind(1, key);
        qsizetype same = 0;
        bool differ = false;
        while (stored.next()) {
            differ = differ || same >= attachments.size()
                || stored.text(0) != attachments.at(same).hash
                || stored.text(1) != attachments.at(same).name;
            ++same;
        }
        if (!stored.ok())
            return false;
        if (!differ && same == attachments.size())
            return true;
        SqliteStatement &clear = db.prepare("DELETE FROM message_attachments WHERE message = ?1");
        if (!clear.bind(1, key).run())
            return false;
    }
    SqliteStatement &content = db.prepare(
        "INSERT INTO attachments (hash, kind, data, data_type, text) VALUES (?1, ?2, ?3, ?4, ?5) "
        "ON CONFLICT (hash) DO NOTHING");
    SqliteStatement &reference
        = db.prepare("INSERT INTO message_attachments (message, position, hash, name, type, size) "
                     "VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    for (qsizetype i = 0; i < attachments.size(); ++i) {
        const Attachment &attachment = attachments.at(i);
        const QString hash = attachment.hash.isEmpty() ? attachment.contentHash() : attachment.hash;
        content.bind(1, hash)
            .bind(2, Attachment::kindName(attachment.kind))
            .bindBlob(3, attachment.data)
            .bind(4, attachment.dataMimeType);
        if (attachment.kind == Attachment::Kind::Document)
            content.bind(5, attachment.text);
        else
            content.bindNull(5);
        reference.bind(1, key).bind(2, qint64(i)).bind(3, hash).bind(4, attachment.name);
        reference.bind(5, attachment.mimeType).bind(6, attachment.size);
        if (!content.run() || !reference.run())
            return false;
    }
    return true;
}

bool writeMessage(SqliteDatabase &db, qint64 chat, qsizetype position, const ChatMessage &message,
                  bool fresh)
{
    SqliteStatement &write = db.prepare(
        "INSERT INTO messages (chat, position, " VELM_MESSAGE_COLUMNS ") "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13) "
        "ON CONFLICT (chat, position) DO UPDATE SET id = excluded.id, role = excluded.role, "
        "text = excluded.text, reasoning = excluded.reasoning, "
        "thinking_seconds = excluded.thinking_seconds, model = excluded.model, "
        "stats = excluded.stats, sources = excluded.sources, versions = excluded.versions, "
        "chosen_version = excluded.chosen_version, extra = excluded.extra RETURNING key");
    write.bind(1, chat).bind(2, qint64(position)).bind(3, uuidText(message.id));
    write.bind(4, ChatMessage::roleName(message.role)).bind(5, message.text);
    if (message.reasoning.isEmpty())
        write.bindNull(6);
    else
        write.bind(6, message.reasoning);
    write.bind(7, message.thinkingSeconds);
    if (message.model.isEmpty())
        write.bindNull(8);
    else
        write.bind(8, message.model);
    if (message.stats)
        write.bind(9, jsonText(ChatCodec::encodeStats(*message.stats)));
    if (message.sources)
        write.bind(10, jsonText(ChatCodec::encodeSources(*message.sources)));
    if (!message.versions.isEmpty())
        write.bind(11, jsonText(ChatCodec::encodeVersions(message.versions)));
    write.bind(12, qint64(message.chosenVersion)).bind(13, membersText(message.unknownKeys));
    if (!write.next())
        return false;
    const qint64 key = write.integer(0);
    return write.run() && writeAttachments(db, key, message.attachments, fresh);
}

bool writeMessages(SqliteDatabase &db, qint64 chat, const QList<ChatMessage> &messages,
                   qsizetype first, qsizetype end, bool fresh = false)
{
    for (qsizetype i = first; i < end; ++i) {
        if (!writeMessage(db, chat, i, messages.at(i), fresh))
            return false;
    }
    return true;
}

// Adds the conversations not stored yet at the bottom of the list, in their order.
bool insertSessions(SqliteDatabase &db, const QList<ChatSession> &sessions)
{
    const std::optional<qint64> revision = nextRevision(db);
    SqliteStatement &last = db.prepare("SELECT coalesce(max(seq), 0), count(*) FROM chats");
    if (!revision || !last.next())
        return false;
    const qint64 after = last.integer(0);
    // Moving an earlier velm's list in, or importing more than is stored.
    const bool large = sessions.size() >= bulkChats && sessions.size() >= last.integer(1);
    last.run();
    if (large && !db.exec("DROP TRIGGER message_added; DROP TRIGGER chat_added;"))
        return false;
    // Written from the last to the first: a list holds the newest first, and the newest
    // messages are to have the highest keys (a search ranks the newest matches).
    for (qsizetype i = sessions.size() - 1; i >= 0; --i) {
        const ChatSession &session = sessions.at(i);
        const std::optional<qint64> existing = chatKey(db, session.id);
        if (!existing)
            return false;
        if (*existing != 0)
            continue;
        const qint64 key = insertRecord(db, session, *revision, after + 1 + i);
        if (key == 0 || !writeMessages(db, key, session.messages, 0, session.messages.size(), true))
            return false;
    }
    return !large
        || (db.exec("INSERT INTO message_text (message_text) VALUES ('rebuild');"
                    "INSERT INTO chat_titles (chat_titles) VALUES ('rebuild');")
            && db.exec(addedTriggers));
}

// The attachments from rows of VELM_ATTACHMENT_COLUMNS, each put on its message by
// `messages(chat key)`, the list of that chat's messages or null.
template<typename Messages>
bool readAttachments(SqliteStatement &rows, Messages messages)
{
    while (rows.next()) {
        QList<ChatMessage> *list = messages(rows.integer(0));
        const qint64 position = rows.integer(1);
        if (!list || position < 0 || position >= list->size())
            continue;
        Attachment attachment;
        attachment.name = rows.text(2);
        attachment.mimeType = rows.text(3);
        attachment.size = rows.integer(4);
        attachment.hash = rows.text(5);
        attachment.kind
            = Attachment::kindFromName(rows.text(6)).value_or(Attachment::Kind::Document);
        attachment.data = rows.blob(7);
        attachment.dataMimeType = rows.text(8);
        attachment.text = rows.text(9);
        (*list)[position].attachments.append(std::move(attachment));
    }
    return rows.ok();
}

// The conversation `id` with all its messages into `session`, left empty when there is none;
// false on an error. Within a transaction of the caller.
bool readSession(SqliteDatabase &db, const QUuid &id, std::optional<ChatSession> &session)
{
    session.reset();
    SqliteStatement &record
        = db.prepare("SELECT " VELM_SUMMARY_COLUMNS ", c.key FROM chats c WHERE c.id = ?1");
    record.bind(1, uuidText(id));
    if (!record.next())
        return record.ok();
    session = summary(record);
    session->messages.clear();
    session->complete = true;
    SqliteStatement &messages = db.prepare("SELECT " VELM_MESSAGE_COLUMNS
                                           " FROM messages WHERE chat = ?1 ORDER BY position");
    const qint64 key = record.integer(6);
    messages.bind(1, key);
    while (messages.next())
        session->messages.append(message(messages));
    SqliteStatement &attachments
        = db.prepare("SELECT " VELM_ATTACHMENT_COLUMNS " FROM message_attachments r "
                     "JOIN messages m ON m.key = r.message JOIN attachments a ON a.hash = r.hash "
                     "WHERE m.chat = ?1 ORDER BY m.position, r.position");
    attachments.bind(1, key);
    return messages.ok() && readAttachments(attachments, [&](qint64) { return &session->messages; })
        && record.run();
}

constexpr qsizetype maxSnippetLength = 240;

// Where the matched words start and end in a snippet from the full-text index.
constexpr QChar markStart = QChar(0xE000);
constexpr QChar markEnd = QChar(0xE001);

// Puts a marked snippet into `hit` as one line of plain text with the marks as spans.
void takeSnippet(ChatSearchHit &hit, const QString &marked)
{
    hit.snippet.clear();
    hit.marks.clear();
    hit.snippet.reserve(marked.size());
    qsizetype start = -1;
    for (const QChar c : marked) {
        if (c == markStart) {
            start = hit.snippet.size();
        } else if (c == markEnd) {
            if (start >= 0 && hit.snippet.size() > start)
                hit.marks.append({start, hit.snippet.size() - start});
            start = -1;
        } else if (c.isSpace()) {
            if (!hit.snippet.isEmpty() && !hit.snippet.back().isSpace())
                hit.snippet.append(u' ');
        } else {
            hit.snippet.append(c);
        }
    }
    while (!hit.snippet.isEmpty() && hit.snippet.back().isSpace())
        hit.snippet.chop(1);
    // The index cuts snippets by words; a word can be a whole pasted file.
    if (hit.snippet.size() <= maxSnippetLength || hit.marks.isEmpty())
        return;
    const qsizetype from = std::max<qsizetype>(0, hit.marks.first().start - maxSnippetLength / 3);
    const qsizetype to = std::min(hit.snippet.size(), from + maxSnippetLength);
    const QString before = from > 0 ? u"…"_s : QString();
    hit.snippet = before + hit.snippet.mid(from, to - from)
        + (to < hit.snippet.size() ? u"…"_s : QString());
    QList<TextSpan> marks;
    for (TextSpan mark : std::as_const(hit.marks)) {
        if (mark.start < from || mark.start + mark.length > to)
            continue;
        mark.start += before.size() - from;
        marks.append(mark);
    }
    hit.marks = marks;
}

} // namespace

QString ChatStoreError::message() const
{
    const QString where = QDir::toNativeSeparators(path);
    switch (kind) {
    case Kind::Unreadable:
        return u"The chats in %1 could not be read: %2"_s.arg(where, reason);
    case Kind::Unwritable:
    case Kind::Busy:
        break;
    }
    return u"The chats could not be saved in %1: %2"_s.arg(where, reason);
}

ChatStore::ChatStore(Settings &settings)
    : m_settings(settings)
{ }

ChatStore::~ChatStore() = default;

QString ChatStore::path() const
{
    return path(m_settings);
}

QString ChatStore::path(const Settings &settings)
{
    return settings.dataDirectory() + u"/chats.db"_s;
}

ChatStoreError ChatStore::failure(SqliteDatabase &db) const
{
    const int code = db.errorCode();
    QString reason = db.errorMessage();
    ChatStoreError::Kind kind = ChatStoreError::Kind::Unwritable;
    if (SqliteDatabase::isBusy(code))
        kind = ChatStoreError::Kind::Busy;
    else if (SqliteDatabase::isDamaged(code))
        kind = ChatStoreError::Kind::Unreadable;
    else if (SqliteDatabase::isFull(code))
        reason = u"No space left on device"_s;
    return {kind, path(), reason};
}

ChatStoreResult<SqliteDatabase *> ChatStore::database()
{
    if (m_db)
        return m_db.get();
    QString why;
    if (!m_settings.makeDataDirectory(&why))
        return ChatStoreError{ChatStoreError::Kind::Unwritable, path(), why};
    std::unique_ptr<SqliteDatabase> db
        = SqliteDatabase::open(path(), SqliteDatabase::Mode::ReadWriteCreate, &why);
    if (!db)
        return ChatStoreError{ChatStoreError::Kind::Unreadable, path(), why};

    // WAL: readers never wait for a writer, and a commit costs no flush to the disk
    // (synchronous NORMAL keeps every commit safe from a crash of the app; only a power cut
    // can lose the last few). The busy timeout must come first: switching to WAL writes.
    const auto unreadable = [this, &db] {
        return ChatStoreError{ChatStoreError::Kind::Unreadable, path(), db->errorMessage()};
    };
    db->keepWalFiles();
    db->checkpointInBackground(1000);
    // The busy timeout is far longer than any other velm process keeps the store to itself:
    // a write waits for theirs instead of failing.
    if (!db->exec("PRAGMA busy_timeout = 10000; PRAGMA foreign_keys = ON; "
                  "PRAGMA journal_size_limit = 4194304;"))
        return unreadable();
    // Each statement is run to its end: one left between rows would hold a lock.
    if (!db->prepare("PRAGMA journal_mode = WAL").run())
        return SqliteDatabase::isBusy(db->errorCode()) ? failure(*db) : unreadable();
    if (!db->exec("PRAGMA synchronous = NORMAL"))
        return unreadable();

    SqliteStatement &version = db->prepare("PRAGMA user_version");
    if (!version.next())
        return unreadable();
    const qint64 stored = version.integer(0);
    version.run();
    if (stored > schemaVersion) {
        return ChatStoreError{ChatStoreError::Kind::Unreadable, path(),
                              u"they were stored by a newer version of velm"_s};
    }
    if (stored < schemaVersion) {
        // Forward migrations go here, one version at a time, each in the transaction that
        // sets its number.
        SqliteTransaction transaction(*db);
        SqliteStatement &again = db->prepare("PRAGMA user_version");
        if (!transaction.began() || !again.next())
            return failure(*db);
        const qint64 current = again.integer(0);
        again.run();
        if (current == 0
            && (!db->exec(schema) || !db->exec(addedTriggers)
                || !db->exec("PRAGMA user_version = 1") || !transaction.commit()))
            return failure(*db);
    }
    if (const ChatStoreResult<void> migrated = migrateJson(*db); !migrated)
        return migrated.error();
    m_db = std::move(db);
    return m_db.get();
}

ChatStoreResult<void> ChatStore::migrateJson(SqliteDatabase &db)
{
    const QString listPath = m_settings.dataFilePath(SettingsKeys::chatSessions);
    const QString oldPath = m_settings.dataFilePath(SettingsKeys::mainChatMessages);
    const bool hasList = QFileInfo::exists(listPath);
    const bool hasOld = QFileInfo::exists(oldPath);
    if (!hasList && !hasOld)
        return {};

    QList<ChatSession> sessions;
    if (hasList) {
        QString why;
        const QByteArray bytes = m_settings.data(SettingsKeys::chatSessions, &why);
        if (!why.isEmpty())
            return ChatStoreError{ChatStoreError::Kind::Unreadable, listPath, why};
        if (!bytes.isEmpty()) {
            if (auto decoded = ChatCodec::decodeSessions(bytes))
                sessions = std::move(*decoded);
            else if (!keepUnreadable(bytes))
                return ChatStoreError{ChatStoreError::Kind::Unreadable, listPath,
                                      u"the file is damaged and could not be copied aside"_s};
        }
    }
    if (hasOld) {
        // The older single conversation joins the list at the top. Its id comes from its
        // bytes, so that moving it in again after a crash finds it there already.
        const QByteArray old = m_settings.data(SettingsKeys::mainChatMessages);
        const auto messages = old.isEmpty() ? std::nullopt : ChatCodec::decodeMessages(old);
        if (messages && !messages->isEmpty()) {
            ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
            session.id = QUuid::createUuidV5(QUuid(), old);
            session.messages = *messages;
            sessions.prepend(std::move(session));
        }
    }
    // One transaction: a crash half way leaves the files as they were, and the next start
    // moves them in again. A conversation stored already (a crash after the commit) is
    // left out.
    if (!sessions.isEmpty()) {
        SqliteTransaction transaction(db);
        if (!transaction.began() || !insertSessions(db, sessions) || !transaction.commit())
            return failure(db);
    }

    // Kept beside the database under a name no later start reads, and never over an
    // earlier copy.
    const auto keep = [](const QString &file) {
        if (!QFileInfo::exists(file))
            return;
        QString target = file + u".migrated"_s;
        for (int n = 2; QFileInfo::exists(target); ++n)
            target = file + u".migrated-%1"_s.arg(n);
        if (!QFile::rename(file, target))
            qWarning("velm: %s was moved into the database but could not be renamed",
                     qPrintable(QDir::toNativeSeparators(file)));
    };
    keep(listPath);
    keep(oldPath);
    return {};
}

bool ChatStore::keepUnreadable(const QByteArray &bytes)
{
    const QString original = m_settings.dataFilePath(SettingsKeys::chatSessions);
    const QFileInfo info(original);
    QDir dir = info.dir();
    const QString stem = info.completeBaseName() + u".unreadable-"_s;

    // A second process moving the same file in finds the copy the first one made.
    const QStringList existing = dir.entryList({stem + u"*.json"_s}, QDir::Files, QDir::Name);
    for (const QString &name : existing) {
        QFile file(dir.filePath(name));
        if (file.size() == bytes.size() && file.open(QIODevice::ReadOnly)
            && file.readAll() == bytes) {
            m_lastBackupPath = file.fileName();
            return true;
        }
    }

    const QString stamp = QDateTime::currentDateTime().toString(u"yyyyMMdd-HHmmss"_s);
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString suffix = attempt == 1 ? QString() : u"-%1"_s.arg(attempt);
        QFile file(dir.filePath(stem + stamp + suffix + u".json"_s));
        // NewOnly fails when the name is taken, so an older backup is never overwritten,
        // not even by a second instance racing this one.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            break;
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.remove();
            break;
        }
        file.close();
        m_lastBackupPath = file.fileName();
        qWarning("velm: the stored chat list could not be read; its contents were kept in %s",
                 qPrintable(QDir::toNativeSeparators(m_lastBackupPath)));
        return true;
    }
    qWarning("velm: the stored chat list could not be read, nor copied aside; it is left "
             "untouched: %s",
             qPrintable(QDir::toNativeSeparators(original)));
    return false;
}

ChatStoreResult<QList<ChatSession>> ChatStore::summaries()
{
    QList<ChatSession> sessions;
    // In one transaction, so that the counter matches the list.
    const ChatStoreResult<void> read = transact(Reading, [&](SqliteDatabase &db) {
        SqliteStatement &list
            = db.prepare("SELECT " VELM_SUMMARY_COLUMNS " FROM chats c ORDER BY c.seq, c.key");
        while (list.next())
            sessions.append(summary(list));
        return list.ok() && readRevision(db);
    });
    if (!read)
        return read.error();
    return sessions;
}

ChatStoreResult<std::optional<ChatSession>> ChatStore::session(const QUuid &id)
{
    std::optional<ChatSession> session;
    const ChatStoreResult<void> read
        = transact(Reading, [&](SqliteDatabase &db) { return readSession(db, id, session); });
    if (!read)
        return read.error();
    return session;
}

ChatStoreResult<QList<ChatSession>> ChatStore::load()
{
    QList<ChatSession> sessions;
    const ChatStoreResult<void> read = transact(Reading, [&](SqliteDatabase &db) {
        QHash<qint64, qsizetype> index;
        SqliteStatement &list = db.prepare("SELECT " VELM_SUMMARY_COLUMNS
                                           ", c.key FROM chats c ORDER BY c.seq, c.key");
        while (list.next()) {
            ChatSession session = summary(list);
            session.messages.clear();
            session.complete = true;
            index.insert(list.integer(6), sessions.size());
            sessions.append(std::move(session));
        }
        SqliteStatement &messages = db.prepare("SELECT chat, " VELM_MESSAGE_COLUMNS
                                               " FROM messages ORDER BY chat, position");
        while (messages.next()) {
            if (const auto at = index.constFind(messages.integer(0)); at != index.constEnd())
                sessions[*at].messages.append(message(messages, 1));
        }
        SqliteStatement &attachments = db.prepare(
            "SELECT " VELM_ATTACHMENT_COLUMNS " FROM message_attachments r "
            "JOIN messages m ON m.key = r.message JOIN attachments a ON a.hash = r.hash "
            "ORDER BY m.chat, m.position, r.position");
        return list.ok() && messages.ok()
            && readAttachments(attachments, [&](qint64 chat) -> QList<ChatMessage> * {
                   const auto at = index.constFind(chat);
                   return at == index.constEnd() ? nullptr : &sessions[*at].messages;
               });
    });
    if (!read)
        return read.error();
    return sessions;
}

ChatStoreResult<void> ChatStore::save(const ChatSession &session, qsizetype firstMessage,
                                      qsizetype endMessage)
{
    return transact(Writing, [&](SqliteDatabase &db) {
        const QList<ChatMessage> &messages = session.messages;
        const std::optional<qint64> revision = nextRevision(db);
        const std::optional<qint64> existing = revision ? chatKey(db, session.id) : std::nullopt;
        if (!existing)
            return false;
        qint64 key = *existing;
        qsizetype first = session.complete ? std::max<qsizetype>(0, firstMessage) : 0;
        qsizetype end = !session.complete ? 0
            : endMessage < 0              ? messages.size()
                                          : std::min(endMessage, messages.size());
        if (key == 0) {
            // Gone from the store (another process deleted it) or never there: only the
            // whole conversation can be written, and a summary does not have it.
            if (!session.complete)
                return true;
            key = insertRecord(db, session, *revision);
            first = 0;
            end = messages.size();
            if (key == 0)
                return false;
        } else if (!updateRecord(db, key, session, *revision)) {
            return false;
        }
        if (!writeMessages(db, key, messages, first, end))
            return false;
        if (!session.complete)
            return true;
        SqliteStatement &trim
            = db.prepare("DELETE FROM messages WHERE chat = ?1 AND position >= ?2");
        return trim.bind(1, key).bind(2, qint64(messages.size())).run();
    });
}

ChatStoreResult<void> ChatStore::add(const QList<ChatSession> &sessions)
{
    return transact(Writing, [&](SqliteDatabase &db) { return insertSessions(db, sessions); });
}

ChatStoreResult<int> ChatStore::add(const Choice &choose)
{
    QList<ChatSession> chosen;
    const ChatStoreResult<void> added = transact(Writing, [&](SqliteDatabase &db) {
        bool read = true;
        chosen = choose([&](const QUuid &id) {
            std::optional<ChatSession> session;
            read = read && readSession(db, id, session);
            return session;
        });
        return read && insertSessions(db, chosen);
    });
    if (!added)
        return added.error();
    return int(chosen.size());
}

ChatStoreResult<void> ChatStore::setGeneratedTitle(const QUuid &id, const QString &title)
{
    return transact(Writing, [&](SqliteDatabase &db) {
        const std::optional<qint64> revision = nextRevision(db);
        SqliteStatement &update = db.prepare("UPDATE chats SET custom_title = ?2, revision = ?3 "
                                             "WHERE id = ?1 AND custom_title IS NULL");
        return revision && update.bind(1, uuidText(id)).bind(2, title).bind(3, *revision).run();
    });
}

ChatStoreResult<void> ChatStore::remove(const QUuid &id)
{
    return transact(Writing, [&](SqliteDatabase &db) {
        SqliteStatement &remove = db.prepare("DELETE FROM chats WHERE id = ?1");
        return nextRevision(db) && remove.bind(1, uuidText(id)).run();
    });
}

ChatStoreResult<void> ChatStore::removeAll()
{
    return transact(Writing, [](SqliteDatabase &db) {
        return nextRevision(db) && db.exec("DELETE FROM chats");
    });
}

ChatStoreResult<void> ChatStore::transact(SqliteTransaction::Kind kind,
                                          const std::function<bool(SqliteDatabase &)> &work)
{
    const ChatStoreResult<SqliteDatabase *> db = database();
    if (!db)
        return db.error();
    SqliteTransaction transaction(*db.value(), kind);
    if (!transaction.began() || !work(*db.value()) || !transaction.commit())
        return failure(*db.value());
    return {};
}

bool ChatStore::readRevision(SqliteDatabase &db)
{
    SqliteStatement &revision = db.prepare("SELECT revision FROM store");
    if (!revision.next())
        return false;
    m_seenRevision = revision.integer(0);
    SqliteStatement &version = db.prepare("PRAGMA data_version");
    if (!version.next())
        return false;
    m_dataVersion = version.integer(0);
    return revision.run() && version.run();
}

ChatStoreResult<std::optional<ChatStoreChanges>> ChatStore::changes()
{
    if (m_db) {
        // Next to free when nobody else wrote: the window asks after each of its own saves.
        SqliteStatement &version = m_db->prepare("PRAGMA data_version");
        const bool same = version.next() && version.integer(0) == m_dataVersion;
        version.run();
        if (same)
            return std::optional<ChatStoreChanges>();
    }
    // Everything is new to a store that was never read.
    const qint64 seen = m_db ? m_seenRevision : -1;
    ChatStoreChanges changes;
    const ChatStoreResult<void> read = transact(Reading, [&](SqliteDatabase &db) {
        SqliteStatement &changed = db.prepare("SELECT " VELM_SUMMARY_COLUMNS
                                              " FROM chats c WHERE c.revision > ?1 ORDER BY c.seq");
        changed.bind(1, seen);
        while (changed.next())
            changes.changed.append(summary(changed));
        SqliteStatement &ids = db.prepare("SELECT id FROM chats ORDER BY seq, key");
        while (ids.next())
            changes.stored.append(QUuid::fromString(ids.text(0)));
        return changed.ok() && ids.ok() && readRevision(db);
    });
    if (!read)
        return read.error();
    return std::optional(std::move(changes));
}

ChatStoreResult<QList<ChatSearchHit>> ChatStore::search(const QString &query, int limit)
{
    const QString match = ChatSearch::ftsQuery(query);
    if (match.isEmpty() || limit <= 0)
        return QList<ChatSearchHit>();
    const ChatStoreResult<SqliteDatabase *> db = database();
    if (!db)
        return db.error();
    SqliteDatabase &database = *db.value();
    SqliteTransaction transaction(database, SqliteTransaction::Kind::Read);
    if (!transaction.began())
        return failure(database);

    // The best match of each conversation; bm25 scores are negative, lower is better, and
    // the newer conversation comes first among equals.
    struct Best
    {
        qint64 chat = 0;
        double score = 0;
        qint64 updatedAt = 0;
        qint64 message = 0;
    };
    QHash<qint64, Best> best;
    const auto consider = [&best](const SqliteStatement &row, double weight, bool title) {
        const Best candidate{row.integer(0), row.real(1) * weight, row.integer(2),
                             title ? 0 : row.integer(3)};
        const auto it = best.find(candidate.chat);
        if (it == best.end() || candidate.score < it->score)
            best.insert(candidate.chat, candidate);
    };
    // Ranking every match of a word that is in most messages takes far longer than a
    // keystroke may: the newest matches are ranked (the newest messages have the highest
    // keys), which are all of them for any word that says something.
    SqliteStatement &messages = database.prepare(
        "SELECT m.chat, f.score, c.updated_at, m.key FROM (SELECT rowid, bm25(message_text) "
        "AS score FROM message_text WHERE message_text MATCH ?1 ORDER BY rowid DESC LIMIT ?2) f "
        "JOIN messages m ON m.key = f.rowid JOIN chats c ON c.key = m.chat");
    messages.bind(1, match).bind(2, qint64(rankedMatches));
    while (messages.next())
        consider(messages, 1, false);
    // A title the user gave says more about the chat than a word somewhere in it.
    SqliteStatement &titles = database.prepare(
        "SELECT f.rowid, f.score, c.updated_at FROM (SELECT rowid, bm25(chat_titles) AS score "
        "FROM chat_titles WHERE chat_titles MATCH ?1 ORDER BY rowid DESC LIMIT ?2) f "
        "JOIN chats c ON c.key = f.rowid");
    titles.bind(1, match).bind(2, qint64(rankedMatches));
    while (titles.next())
        consider(titles, 2, true);
    bool read = messages.ok() && titles.ok();

    QList<Best> ranked = best.values();
    std::sort(ranked.begin(), ranked.end(), [](const Best &a, const Best &b) {
        return a.score != b.score ? a.score < b.score : a.updatedAt > b.updatedAt;
    });
    if (ranked.size() > limit)
        ranked.resize(limit);

    // The record and the snippet of those shown only.
    QList<ChatSearchHit> hits;
    SqliteStatement &chat
        = database.prepare("SELECT " VELM_SUMMARY_COLUMNS " FROM chats c WHERE c.key = ?1");
    SqliteStatement &messageSnippet = database.prepare(
        "SELECT snippet(message_text, 0, char(57344), char(57345), '…', 24), m.id "
        "FROM message_text JOIN messages m ON m.key = message_text.rowid "
        "WHERE message_text MATCH ?1 AND message_text.rowid = ?2");
    SqliteStatement &titleSnippet = database.prepare(
        "SELECT highlight(chat_titles, 0, char(57344), char(57345)) FROM chat_titles "
        "WHERE chat_titles MATCH ?1 AND rowid = ?2");
    for (const Best &candidate : std::as_const(ranked)) {
        if (!read)
            break;
        chat.bind(1, candidate.chat);
        if (!chat.next()) {
            read = chat.ok();
            continue;
        }
        const ChatSession session = summary(chat);
        chat.run();
        ChatSearchHit hit{session.id, {}, session.title(), session.updatedAt, session.isArchived,
                          {},         {}};
        SqliteStatement &snippet = candidate.message != 0 ? messageSnippet : titleSnippet;
        snippet.bind(1, match).bind(2, candidate.message != 0 ? candidate.message : candidate.chat);
        if (snippet.next()) {
            takeSnippet(hit, snippet.text(0));
            if (candidate.message != 0)
                hit.messageId = QUuid::fromString(snippet.text(1));
        }
        read = snippet.run();
        hits.append(std::move(hit));
    }
    transaction.commit();
    if (!read)
        return failure(database);
    return hits;
}

void ChatStore::backUpDaily()
{
    if (!database())
        return;
    const QString folder = m_settings.dataDirectory() + u"/backups"_s;
    const QString stampFormat = u"yyyyMMdd-HHmmss"_s;
    const QStringList kept = QDir(folder).entryList({u"chats-*.db"_s}, QDir::Files, QDir::Name);
    const QDateTime now = QDateTime::currentDateTime();
    if (!kept.isEmpty()) {
        const QDateTime newest = QDateTime::fromString(kept.last().mid(6, 15), stampFormat);
        if (newest.isValid() && newest <= now && newest.secsTo(now) < 24 * 3600)
            return;
    }
    const QString source = path();
    const QString target = folder + u"/chats-"_s + now.toString(stampFormat) + u".db"_s;
    // A snapshot of a large store takes a while: never on the thread of the window.
    QThreadPool::globalInstance()->start([source, folder, target] {
        const QString partial = target + u".partial"_s;
        QString why;
        std::unique_ptr<SqliteDatabase> db;
        if (QDir().mkpath(folder) && (!QFileInfo::exists(partial) || QFile::remove(partial)))
            db = SqliteDatabase::open(source, SqliteDatabase::Mode::ReadWrite, &why);
        bool done = false;
        if (db && db->exec("PRAGMA busy_timeout = 10000")) {
            SqliteStatement &vacuum = db->prepare("VACUUM INTO ?1");
            done = vacuum.bind(1, partial).run() && QFile::rename(partial, target);
            if (!done)
                why = db->errorMessage();
        }
        if (!done) {
            QFile::remove(partial);
            qWarning("velm: the daily copy of the chats could not be made: %s", qPrintable(why));
            return;
        }
        QDir dir(folder);
        QStringList all = dir.entryList({u"chats-*.db"_s}, QDir::Files, QDir::Name);
        while (all.size() > backupsKept)
            dir.remove(all.takeFirst());
    });
}
