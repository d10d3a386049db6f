#include "core/chatstore.h"

#include "core/chatcodec.h"
#include "core/settings.h"
#include "core/settingskeys.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

ChatStore::ChatStore(Settings &settings)
    : m_settings(settings)
{ }

QList<ChatSession> ChatStore::loadSessions()
{
    const QByteArray old = m_settings.data(SettingsKeys::mainChatMessages);
    if (!old.isEmpty()) {
        // An old list that is empty or unreadable is left alone: there is nothing to move.
        const auto messages = ChatCodec::decodeMessages(old);
        if (messages && !messages->isEmpty())
            return migrate(*messages);
    }
    return readStoredSessions();
}

bool ChatStore::saveSessions(const QList<ChatSession> &sessions)
{
    if (m_backupPending) {
        // The unreadable list could not be copied aside when it was loaded; it must not be
        // replaced before it is.
        const QByteArray stored = m_settings.data(SettingsKeys::chatSessions);
        if (!stored.isEmpty() && !ChatCodec::decodeSessions(stored) && !keepUnreadable(stored))
            return false;
        m_backupPending = false;
    }
    const QByteArray bytes = ChatCodec::encodeSessions(sessions);
    if (bytes.isEmpty())
        return false;
    return m_settings.setData(SettingsKeys::chatSessions, bytes);
}

bool ChatStore::removeSessions()
{
    m_backupPending = false;
    return m_settings.remove(SettingsKeys::chatSessions);
}

QList<ChatSession> ChatStore::readStoredSessions()
{
    const QByteArray bytes = m_settings.data(SettingsKeys::chatSessions);
    if (bytes.isEmpty())
        return {};
    auto sessions = ChatCodec::decodeSessions(bytes);
    if (!sessions) {
        m_backupPending = !keepUnreadable(bytes);
        return {};
    }
    return std::move(*sessions);
}

QList<ChatSession> ChatStore::migrate(const QList<ChatMessage> &messages)
{
    ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
    session.messages = messages;
    // The conversations already in the list stay: the old chat joins them at the top
    // rather than replacing them.
    QList<ChatSession> sessions = readStoredSessions();
    sessions.prepend(std::move(session));
    // The old form goes only once its conversation is safely in the new one; otherwise the
    // next load tries again.
    if (saveSessions(sessions))
        m_settings.removeData(SettingsKeys::mainChatMessages);
    return sessions;
}

bool ChatStore::keepUnreadable(const QByteArray &bytes)
{
    const QString original = m_settings.dataFilePath(SettingsKeys::chatSessions);
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
