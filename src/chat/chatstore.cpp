#include "chat/chatstore.h"

#include "base/filelock.h"
#include "chat/chatcodec.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// Far longer than any save takes, even of a list of thousands of chats on a slow disk.
constexpr auto lockTimeout = 10s;

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

ChatStoreResult<QList<ChatSession>> ChatStore::load()
{
    // Moving the older form in is a change of the stored list like any other.
    if (m_settings.contains(SettingsKeys::mainChatMessages))
        return update([](QList<ChatSession> &) { return false; });
    return read();
}

ChatStoreResult<QList<ChatSession>> ChatStore::update(const Change &change)
{
    const QString folder = m_settings.dataDirectory();
    QString why;
    if (!m_settings.makeDataDirectory(&why))
        return ChatStoreError{ChatStoreError::Kind::Unwritable, path(), why};
    const std::optional<FileLock> lock
        = FileLock::acquire(folder + u"/chatSessions.lock"_s, lockTimeout, &why);
    if (!lock)
        return ChatStoreError{ChatStoreError::Kind::Busy, path(), why};

    ChatStoreResult<QList<ChatSession>> stored = read();
    if (!stored)
        return stored;
    QList<ChatSession> sessions = std::move(stored).value();

    // An old list that is empty or unreadable is left alone: there is nothing to move.
    const QByteArray old = m_settings.data(SettingsKeys::mainChatMessages);
    const auto oldMessages = old.isEmpty() ? std::nullopt : ChatCodec::decodeMessages(old);
    const bool migrating = oldMessages && !oldMessages->isEmpty();
    if (migrating) {
        // The conversations already in the list stay: the old chat joins them at the top.
        ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
        session.messages = *oldMessages;
        sessions.prepend(std::move(session));
    }

    if (!change(sessions) && !migrating)
        return sessions;
    if (const ChatStoreResult<void> written = write(sessions); !written)
        return written.error();
    // The old form goes only once its conversation is safely in the new one; otherwise the
    // next load tries again.
    if (migrating)
        m_settings.removeData(SettingsKeys::mainChatMessages);
    return sessions;
}

ChatStoreResult<void> ChatStore::remove()
{
    QString why;
    if (!QFileInfo::exists(m_settings.dataDirectory()))
        return {};
    const std::optional<FileLock> lock = FileLock::acquire(
        m_settings.dataDirectory() + u"/chatSessions.lock"_s, lockTimeout, &why);
    if (!lock)
        return ChatStoreError{ChatStoreError::Kind::Busy, path(), why};
    if (!m_settings.removeData(SettingsKeys::chatSessions))
        return ChatStoreError{ChatStoreError::Kind::Unwritable, path(),
                              u"the file could not be removed"_s};
    m_cachedSize = -1;
    return {};
}

ChatStoreResult<QList<ChatSession>> ChatStore::read()
{
    QString why;
    const QByteArray bytes = m_settings.data(SettingsKeys::chatSessions, &why);
    // Only a missing file means "no chats": one that is there but cannot be read holds
    // chats that a save would replace unseen.
    if (!why.isEmpty())
        return ChatStoreError{ChatStoreError::Kind::Unreadable, path(), why};
    if (bytes.isEmpty()) {
        m_lastBackupPath.clear();
        return QList<ChatSession>();
    }
    return decode(bytes);
}

ChatStoreResult<QList<ChatSession>> ChatStore::decode(const QByteArray &bytes)
{
    const size_t hash = qHash(bytes);
    if (bytes.size() == m_cachedSize && hash == m_cachedHash)
        return m_cached;
    std::optional<QList<ChatSession>> sessions = ChatCodec::decodeSessions(bytes);
    if (!sessions) {
        if (!keepUnreadable(bytes))
            return ChatStoreError{ChatStoreError::Kind::Unreadable, path(),
                                  u"the file is damaged and could not be copied aside"_s};
        return QList<ChatSession>();
    }
    m_lastBackupPath.clear();
    m_cachedSize = bytes.size();
    m_cachedHash = hash;
    m_cached = *sessions;
    return std::move(*sessions);
}

ChatStoreResult<void> ChatStore::write(const QList<ChatSession> &sessions)
{
    const QByteArray bytes = ChatCodec::encodeSessions(sessions);
    QString why;
    if (!m_settings.setData(SettingsKeys::chatSessions, bytes, &why))
        return ChatStoreError{ChatStoreError::Kind::Unwritable, path(), why};
    m_cachedSize = bytes.size();
    m_cachedHash = qHash(bytes);
    m_cached = sessions;
    return {};
}

QString ChatStore::path() const
{
    return m_settings.dataFilePath(SettingsKeys::chatSessions);
}

bool ChatStore::keepUnreadable(const QByteArray &bytes)
{
    const QString original = path();
    const QFileInfo info(original);
    QDir dir = info.dir();
    const QString stem = info.completeBaseName() + QStringLiteral(".unreadable-");

    // Loading again before the next save finds the same bytes: one copy is enough.
    const QStringList existing
        = dir.entryList({stem + QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QString &name : existing) {
        QFile file(dir.filePath(name));
        if (file.size() == bytes.size() && file.open(QIODevice::ReadOnly)
            && file.readAll() == bytes) {
            m_lastBackupPath = file.fileName();
            return true;
        }
    }

    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt < 1000; ++attempt) {
        const QString suffix = attempt == 1 ? QString() : QStringLiteral("-%1").arg(attempt);
        QFile file(dir.filePath(stem + stamp + suffix + QStringLiteral(".json")));
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
