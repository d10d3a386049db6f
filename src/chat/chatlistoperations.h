#pragma once

#include "chat/chatsession.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

// The changes made to the list of conversations, as plain functions on the list. Saving it
// is the business of ChatList, the list's one writer.
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
// answer (with its thought) exactly as given unless its text is blank. Nothing for a blank
// question.
std::optional<ChatSession> importedSession(const ChatMessage &question, const ChatMessage &answer,
                                           const QDateTime &now);

// The versions of an answer. The message's own fields are the truth about the version
// shown: a piece streams into them alone, and keepShownVersion() copies them back.

// Copies the shown fields into `versions[chosenVersion]`; nothing for an answer without
// versions.
void keepShownVersion(ChatMessage &message);
// Adds an empty version and shows it, the earlier answer becoming the first version when
// there were none; the index shown before.
qsizetype addVersion(ChatMessage &message);
// Removes the newest version and shows `shown` (an index among those left); an answer left
// with one version has none again.
void removeNewestVersion(ChatMessage &message, qsizetype shown);
// Shows version `index`; false when there is no such version or it is shown already.
bool chooseVersion(ChatMessage &message, qsizetype index);

} // namespace ChatListOperations
