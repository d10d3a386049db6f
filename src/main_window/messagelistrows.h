#pragma once

#include "chat/chatmessage.h"

#include <QList>
#include <QString>
#include <QUuid>

// One row of the open conversation: a message, or the searching or thinking indicator that
// stands in for the answer until its first piece arrives.
struct MessageListRow
{
    enum class Kind : quint8 { Message, Searching, Thinking };

    Kind kind = Kind::Message;
    // The message's id; for the indicators a fixed id of their own, so rows can be keyed by
    // id whatever their kind.
    QUuid id;
    qsizetype messageIndex = -1;
    bool isFirstInGroup = false;
    bool isStreaming = false;

    bool operator==(const MessageListRow &other) const = default;
};

// What the message list shows for a conversation and its answer state. No widgets here.
namespace MessageListRows {

// The rows in order: every message, then the searching row while the web is searched, or
// the thinking row while an answer is awaited whose first piece has not come.
QList<MessageListRow> rows(const QList<ChatMessage> &messages, bool isLoading, bool isSearching);

// The keys of the two indicator rows.
QUuid searchingRowId();
QUuid thinkingRowId();

// An answer's text as shown: while it streams, followed by the block cursor.
QString displayedText(const QString &text, bool isStreaming);

// How far the floating title has come in, from the content's top edge in the scroll view
// (0 at rest, negative when scrolled down): nothing for the first 6 points, all after 66.
double scrollProgress(double contentTop);

} // namespace MessageListRows
