#pragma once

#include "chat/chatsession.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// The "Export All as JSON…" file: every conversation, archived ones included, in store
// order, as a top-level JSON array of the stored records. Made for people and other tools
// rather than for the store: indented by two spaces with "key" : value members, the keys of
// every object in sorted order, dates as ISO 8601 text in UTC to the second, and text written
// as UTF-8 with only what JSON requires escaped ("/" and non-ASCII letters stay as they are).
// An empty list gives "[]".
namespace ChatExport {

// The whole file, ending in a line feed.
QByteArray encode(const QList<ChatSession> &sessions);

// "2024-05-01T09:30:00Z"; the fraction of a second is dropped, as ISO 8601 readers that
// expect the Internet date-time form reject it.
QString isoDate(const QDateTime &date);

} // namespace ChatExport
