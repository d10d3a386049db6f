#pragma once

#include "chat/chatsession.h"

#include <QList>

class Settings;

// The stored chat list as another process sees it, for setting up and checking tests.
namespace StoredChats {

// Replaces the stored list; false when it could not be written.
bool write(Settings &settings, const QList<ChatSession> &sessions);
// The stored list; empty (and a failed check in the current test) when it cannot be read.
QList<ChatSession> read(Settings &settings);

} // namespace StoredChats
