#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

class SqliteDatabase;

// A prepared SQL statement of a SqliteDatabase. Parameters are numbered from 1, columns
// from 0. A statement that failed to prepare does nothing and reports the error on step().
class SqliteStatement
{
public:
    SqliteStatement() = default;
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;
    SqliteStatement(SqliteStatement &&other) noexcept;
    SqliteStatement &operator=(SqliteStatement &&other) noexcept;
    ~SqliteStatement();

    SqliteStatement &bind(int index, const QString &text);
    SqliteStatement &bind(int index, QStringView text);
    SqliteStatement &bind(int index, const char *text) = delete;
    SqliteStatement &bind(int index, qint64 value);
    SqliteStatement &bind(int index, int value) { return bind(index, qint64(value)); }
    SqliteStatement &bind(int index, double value);
    SqliteStatement &bindNull(int index);
    // Bytes as a blob, not as text.
    SqliteStatement &bindBlob(int index, QByteArrayView bytes);
    template<typename T>
    SqliteStatement &bind(int index, const std::optional<T> &value)
    {
        return value ? bind(index, *value) : bindNull(index);
    }

    // The next row: true while there is one. False at the end and on an error, which
    // ok() then tells apart.
    bool next();
    // Runs a statement that returns no rows; false on an error.
    bool run();
    bool ok() const { return m_error == 0; }
    // The SQLite result code of the failure, 0 when there was none.
    int error() const { return m_error; }

    bool isNull(int column) const;
    QString text(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    std::optional<double> optionalReal(int column) const;
    std::optional<QString> optionalText(int column) const;
    QByteArray blob(int column) const;

private:
    friend class SqliteDatabase;
    SqliteStatement(sqlite3_stmt *statement, int error);
    void reset();
    void rewind();

    sqlite3_stmt *m_statement = nullptr;
    int m_error = 0;
    bool m_stepped = false;
};

// One connection to an SQLite database file, through the C library. Statements are
// prepared once and kept, keyed by their text.
class SqliteDatabase
{
public:
    enum class Mode { ReadWriteCreate, ReadWrite, ReadOnly };

    // Opens `path`; nothing (and why in `error`) when it cannot be opened.
    static std::unique_ptr<SqliteDatabase> open(const QString &path, Mode mode, QString *error);
    ~SqliteDatabase();

    // Runs one or more statements that take no parameters; false on an error.
    bool exec(const char *sql);
    // A statement ready to bind and step, reset for another use. Valid until the next
    // prepare() of the same text.
    SqliteStatement &prepare(const char *sql);

    // What the last failure was, in SQLite's words, and its result code.
    QString errorMessage() const;
    int errorCode() const;
    // The SQLite result code of a failure names the disk being full, or the database
    // being busy or damaged.
    static bool isFull(int code);
    static bool isBusy(int code);
    static bool isDamaged(int code);

    // Keeps the log and shared-memory files of WAL mode when the last connection closes, so
    // that the next one can read without making them: a full disk has no room for them.
    void keepWalFiles();

    // Checkpoints the WAL log on a thread of its own once it holds `pages` pages, instead of
    // in the commit that filled it: a checkpoint writes and flushes the database file, which
    // takes many times longer than a commit.
    void checkpointInBackground(int pages);

    // Ends every statement still between rows, as a commit needs.
    void finishStatements();

    qint64 lastInsertRowId() const;
    int changes() const;

    sqlite3 *handle() const { return m_db; }

private:
    explicit SqliteDatabase(sqlite3 *db);

    static int walHook(void *self, sqlite3 *db, const char *name, int pages);

    sqlite3 *m_db = nullptr;
    int m_checkpointPages = 0;
    // Shared with the thread of a checkpoint, which may outlive this connection.
    std::shared_ptr<std::atomic<bool>> m_checkpointing = std::make_shared<std::atomic<bool>>();
    // Node-based, so that a statement stays where it is while others are prepared.
    std::unordered_map<const char *, SqliteStatement> m_statements;
};

// BEGIN … COMMIT, rolled back unless committed. A write begins at once (IMMEDIATE), so that
// a write that waits for another process waits at the start (under the busy timeout) rather
// than failing half way; a read sees one state of the database throughout.
class SqliteTransaction
{
public:
    enum class Kind { Write, Read };
    explicit SqliteTransaction(SqliteDatabase &db, Kind kind = Kind::Write);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;

    bool began() const { return m_began; }
    bool commit();

private:
    SqliteDatabase &m_db;
    bool m_began = false;
    bool m_done = false;
};
