#pragma once

#include "chat/chatmessage.h"

#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

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
    // A question shown as an edit field.
    bool isEditing = false;
    // The conversation's last answer, the one that can be asked for again.
    bool isLastAnswer = false;
    // No answer is under way: questions can be edited and the last answer asked for again.
    bool canChange = false;

    bool operator==(const MessageListRow &other) const = default;
};

// What the message list shows for a conversation and its answer state. No widgets here.
namespace MessageListRows {

// The rows in order: every message, then the searching row while the web is searched, or
// the thinking row while an answer is awaited whose first piece has not come.
// `editing` is the question shown as an edit field.
QList<MessageListRow> rows(const QList<ChatMessage> &messages, bool isLoading, bool isSearching,
                           const std::optional<QUuid> &editing = std::nullopt);

// The keys of the two indicator rows.
QUuid searchingRowId();
QUuid thinkingRowId();

// An answer's text as shown: while it streams, followed by the block cursor.
QString displayedText(const QString &text, bool isStreaming);

// How far the floating title has come in, from the content's top edge in the scroll view
// (0 at rest, negative when scrolled down): nothing for the first 6 points, all after 66.
double scrollProgress(double contentTop);

} // namespace MessageListRows
