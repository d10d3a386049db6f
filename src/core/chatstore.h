#pragma once

#include "core/chatsession.h"

#include <QByteArray>
#include <QList>
#include <QString>

class Settings;

// Loads and saves the whole list of conversations under "chatSessions".
//
// Stored bytes are never destroyed by a save unless they were read first: a list that
// cannot be decoded (damaged, or written by a newer version) loads as empty, but its bytes
// are copied to a backup file beside it before anything can overwrite them.
class ChatStore
{
public:
    explicit ChatStore(Settings &settings);

    // The stored list in stored order; empty when there is none or it cannot be read.
    // Moves a conversation left in the older single-chat form into the list (once).
    QList<ChatSession> loadSessions();
    // Replaces the stored list; false (and nothing written) when it could not be saved,
    // which includes an unreadable stored list that could not yet be copied aside.
    bool saveSessions(const QList<ChatSession> &sessions);
    // Deletes the stored list, unreadable bytes included (the user asked for every chat to
    // go); false when the file could not be removed.
    bool removeSessions();

    // The backup file written for unreadable bytes by the last load, if any.
    QString lastBackupPath() const { return m_lastBackupPath; }

private:
    QList<ChatSession> readStoredSessions();
    QList<ChatSession> migrate(const QList<ChatMessage> &messages);
    bool keepUnreadable(const QByteArray &bytes);

    Settings &m_settings;
    QString m_lastBackupPath;
    bool m_backupPending = false;
};
