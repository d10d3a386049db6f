#pragma once

#include "base/result.h"
#include "chat/chatsession.h"
#include "chat/chatstore.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QUuid>

#include <functional>
#include <optional>

// Bringing chats back from a file: the "Export All as JSON…" file (ChatExport), or a stored
// chatSessions.json copied from another machine or a backup (ChatCodec). Nothing stored is
// ever changed or removed by an import: chats are only added.
namespace ChatImport {

// The chats of either form, told apart by their content: the store writes its dates as
// numbers, the export as ISO 8601 text. All or nothing: a file that is damaged or not a
// list of chats gives one sentence that says what is wrong and where, e.g. "line 3, column
// 14: unterminated string" or "chat 3: \"messages\" is not a list".
Result<QList<ChatSession>, QString> decode(QByteArrayView bytes);

// What an import adds, in the file's order, and how many of the file's chats were there
// already.
struct Plan
{
    QList<ChatSession> sessions;
    int skipped = 0;
};

// The stored chat with that id, if there is one.
using Lookup = std::function<std::optional<ChatSession>(const QUuid &id)>;

// A chat whose id is stored with the same content is skipped; under a stored id with other
// content it is added as a copy with ids of its own; a new id is added as it is. Content is
// compared in its exported form, which drops the fraction of a second, so that a chat
// exported and imported into the same store is found the same.
//
// A copy's ids are derived from its content, so importing the same file again finds the copy
// and skips it rather than adding it once more.
Plan plan(const QList<ChatSession> &incoming, const Lookup &lookup);

// Plans the import against what `store` holds and adds it, in one transaction, so that
// another process importing the same file at the same time adds nothing twice.
ChatStoreResult<Plan> into(ChatStore &store, const QList<ChatSession> &incoming);

// "Imported 3 chats, skipped 1".
QString report(const Plan &plan);

} // namespace ChatImport
