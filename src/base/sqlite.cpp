#include "base/sqlite.h"

#include <QFile>
#include <QThreadPool>

#include <sqlite3.h>

#include <utility>

SqliteStatement::SqliteStatement(sqlite3_stmt *statement, int error)
    : m_statement(statement)
    , m_error(error)
{ }

SqliteStatement::SqliteStatement(SqliteStatement &&other) noexcept
    : m_statement(std::exchange(other.m_statement, nullptr))
    , m_error(other.m_error)
    , m_stepped(other.m_stepped)
{ }

SqliteStatement &SqliteStatement::operator=(SqliteStatement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_statement);
        m_statement = std::exchange(other.m_statement, nullptr);
        m_error = other.m_error;
        m_stepped = other.m_stepped;
    }
    return *this;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

void SqliteStatement::reset()
{
    if (!m_statement)
        return;
    sqlite3_reset(m_statement);
    sqlite3_clear_bindings(m_statement);
    m_error = 0;
    m_stepped = false;
}

SqliteStatement &SqliteStatement::bind(int index, const QString &text)
{
    return bind(index, QStringView(text));
}

void SqliteStatement::rewind()
{
    // A statement that ran is bound anew for its next use: SQLite binds only a reset one.
    if (m_statement && m_stepped) {
        sqlite3_reset(m_statement);
        m_stepped = false;
        m_error = 0;
    }
}

SqliteStatement &SqliteStatement::bind(int index, QStringView text)
{
    rewind();
    if (m_statement) {
        // SQLite copies the text; UTF-16 in the machine's order is what QString holds.
        sqlite3_bind_text16(m_statement, index, text.isNull() ? u"" : text.utf16(),
                            int(text.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
    }
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, qint64 value)
{
    rewind();
    if (m_statement)
        sqlite3_bind_int64(m_statement, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::bind(int index, double value)
{
    rewind();
    if (m_statement)
        sqlite3_bind_double(m_statement, index, value);
    return *this;
}

SqliteStatement &SqliteStatement::bindNull(int index)
{
    rewind();
    if (m_statement)
        sqlite3_bind_null(m_statement, index);
    return *this;
}

SqliteStatement &SqliteStatement::bindBlob(int index, QByteArrayView bytes)
{
    rewind();
    if (m_statement) {
        // An empty blob is still a blob, not NULL: a null pointer would bind NULL.
        sqlite3_bind_blob64(m_statement, index, bytes.isEmpty() ? "" : bytes.data(),
                            sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
    }
    return *this;
}

bool SqliteStatement::next()
{
    if (!m_statement || m_error != 0)
        return false;
    m_stepped = true;
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code != SQLITE_DONE)
        m_error = code;
    return false;
}

bool SqliteStatement::run()
{
    while (next()) { }
    return ok();
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

QString SqliteStatement::text(int column) const
{
    const auto *data = static_cast<const QChar *>(sqlite3_column_text16(m_statement, column));
    const int bytes = sqlite3_column_bytes16(m_statement, column);
    return data ? QString(data, bytes / int(sizeof(QChar))) : QString();
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

std::optional<double> SqliteStatement::optionalReal(int column) const
{
    return isNull(column) ? std::nullopt : std::optional(real(column));
}

std::optional<QString> SqliteStatement::optionalText(int column) const
{
    return isNull(column) ? std::nullopt : std::optional(text(column));
}

QByteArray SqliteStatement::blob(int column) const
{
    const auto *data = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
    const int bytes = sqlite3_column_bytes(m_statement, column);
    return data ? QByteArray(data, bytes) : QByteArray();
}

SqliteDatabase::SqliteDatabase(sqlite3 *db)
    : m_db(db)
{ }

SqliteDatabase::~SqliteDatabase()
{
    // Statements first: a connection with statements left open is not closed.
    m_statements.clear();
    sqlite3_close(m_db);
}

std::unique_ptr<SqliteDatabase> SqliteDatabase::open(const QString &path, Mode mode, QString *error)
{
    sqlite3 *db = nullptr;
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    switch (mode) {
    case Mode::ReadWriteCreate:
        flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
        break;
    case Mode::ReadWrite:
        flags |= SQLITE_OPEN_READWRITE;
        break;
    case Mode::ReadOnly:
        flags |= SQLITE_OPEN_READONLY;
        break;
    }
    const int code = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (code != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db))
                        : QString::fromUtf8(sqlite3_errstr(code));
        sqlite3_close(db);
        return nullptr;
    }
    return std::unique_ptr<SqliteDatabase>(new SqliteDatabase(db));
}

bool SqliteDatabase::exec(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

SqliteStatement &SqliteDatabase::prepare(const char *sql)
{
    auto it = m_statements.find(sql);
    if (it != m_statements.end() && it->second.m_statement) {
        it->second.reset();
        return it->second;
    }
    sqlite3_stmt *statement = nullptr;
    const int code
        = sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr);
    return m_statements.insert_or_assign(sql, SqliteStatement(statement, code)).first->second;
}

QString SqliteDatabase::errorMessage() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

int SqliteDatabase::errorCode() const
{
    return sqlite3_extended_errcode(m_db);
}

bool SqliteDatabase::isFull(int code)
{
    return (code & 0xff) == SQLITE_FULL;
}

bool SqliteDatabase::isBusy(int code)
{
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

bool SqliteDatabase::isDamaged(int code)
{
    return (code & 0xff) == SQLITE_CORRUPT || (code & 0xff) == SQLITE_NOTADB;
}

void SqliteDatabase::keepWalFiles()
{
    int persist = 1;
    sqlite3_file_control(m_db, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
}

void SqliteDatabase::checkpointInBackground(int pages)
{
    m_checkpointPages = pages;
    // The hook takes the place of SQLite's own checkpoints after a commit.
    sqlite3_wal_hook(m_db, &SqliteDatabase::walHook, this);
}

int SqliteDatabase::walHook(void *self, sqlite3 *db, const char *name, int pages)
{
    auto *database = static_cast<SqliteDatabase *>(self);
    if (pages < database->m_checkpointPages || database->m_checkpointing->exchange(true))
        return SQLITE_OK;
    const QString path = QFile::decodeName(sqlite3_db_filename(db, name));
    QThreadPool::globalInstance()->start([path, running = database->m_checkpointing] {
        QString why;
        if (const auto connection = open(path, Mode::ReadWrite, &why)) {
            // Passive: it copies what no reader still needs and waits for nobody.
            connection->keepWalFiles();
            connection->exec("PRAGMA wal_checkpoint(PASSIVE)");
        }
        running->store(false);
    });
    return SQLITE_OK;
}

void SqliteDatabase::finishStatements()
{
    for (auto &[sql, statement] : m_statements) {
        if (statement.m_statement && statement.m_stepped)
            sqlite3_reset(statement.m_statement);
    }
}

qint64 SqliteDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDatabase::changes() const
{
    return sqlite3_changes(m_db);
}

SqliteTransaction::SqliteTransaction(SqliteDatabase &db, Kind kind)
    : m_db(db)
    , m_began(db.exec(kind == Kind::Write ? "BEGIN IMMEDIATE" : "BEGIN"))
{ }

SqliteTransaction::~SqliteTransaction()
{
    if (m_began && !m_done) {
        m_db.finishStatements();
        m_db.exec("ROLLBACK");
    }
}

bool SqliteTransaction::commit()
{
    if (!m_began || m_done)
        return false;
    m_db.finishStatements();
    m_done = m_db.exec("COMMIT");
    return m_done;
}
