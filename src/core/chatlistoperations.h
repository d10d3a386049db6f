#pragma once

#include "core/chatsession.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>
#include <utility>

// The changes the main window makes to its list of conversations, as plain functions on the
// list. Saving it and telling the other windows is the caller's business.
namespace ChatListOperations {

// Where the conversation `id` is, or -1.
qsizetype indexOf(const QList<ChatSession> &sessions, const QUuid &id);
bool contains(const QList<ChatSession> &sessions, const QUuid &id);

// Gives the conversation `id` the trimmed `text` as its title; a blank text removes the
// custom title, so the title comes from the content again. The date stays. False when there
// is no such conversation.
bool rename(QList<ChatSession> &sessions, const QUuid &id, const QString &text);

// Archives or restores the conversation `id`; the date stays. False when there is no such
// conversation or nothing changed.
bool setArchived(QList<ChatSession> &sessions, const QUuid &id, bool archived);

// Removes every conversation with that id; how many there were.
qsizetype remove(QList<ChatSession> &sessions, const QUuid &id);

// A conversation made from a Quick Ask exchange: the question exactly as asked, then the
// answer exactly as given unless it is blank. Nothing for a blank question.
std::optional<ChatSession> importedSession(const QString &query, const QString &answer,
                                           const QDateTime &now);

// `reloaded` is a list just read back from the store, `current` the one it replaces. An
// answer still streaming is kept only in memory until it ends, so a list another window
// saved meanwhile lacks it: the messages `keep` (by conversation and message id) that
// `current` holds and `reloaded` lacks are appended again to their conversation, if that
// still exists.
void keepUnsavedMessages(QList<ChatSession> &reloaded, const QList<ChatSession> &current,
                         const QList<std::pair<QUuid, QUuid>> &keep);

} // namespace ChatListOperations
