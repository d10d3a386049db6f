#pragma once

#include "chat/chatsession.h"

#include <QList>
#include <QString>
#include <QStringList>

// A store as a long-time user has it: 10,000 chats of 20 messages in plausible prose, the
// same on every run, for the benchmarks of the store and of the app's start.
namespace LargeStore {

constexpr int chats = 10000;
constexpr int messagesPerChat = 20;

QList<ChatSession> sessions(int count = chats);

// A hundred words a user would search for, all found in the store's text.
QStringList queries();

// A folder that holds the store in both forms, made on the first call and kept between runs
// under the system's temporary folder: chats.db, and chatSessions.json as an earlier velm
// kept it. Empty when it could not be made.
QString cachedFolder();

} // namespace LargeStore
