#include "main_window/messagelistrows.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace MessageListRows {

QList<MessageListRow> rows(const QList<ChatMessage> &messages, bool isLoading, bool isSearching,
                           const std::optional<QUuid> &editing)
{
    QList<MessageListRow> list;
    list.reserve(messages.size() + 1);
    for (qsizetype i = 0; i < messages.size(); ++i) {
        const ChatMessage &message = messages.at(i);
        MessageListRow row;
        row.id = message.id;
        row.messageIndex = i;
        row.isFirstInGroup = i == 0 || messages.at(i - 1).role != message.role;
        row.isStreaming = isLoading && i == messages.size() - 1;
        row.isEditing = editing == message.id;
        row.isLastAnswer
            = i == messages.size() - 1 && i > 0 && message.role == ChatMessage::Role::Assistant;
        row.canChange = !isLoading;
        list.append(row);
    }
    if (isSearching) {
        list.append({MessageListRow::Kind::Searching, searchingRowId()});
    } else if (isLoading && !messages.isEmpty()
               && messages.constLast().role == ChatMessage::Role::User) {
        list.append({MessageListRow::Kind::Thinking, thinkingRowId()});
    }
    return list;
}

QUuid searchingRowId()
{
    static const QUuid id = QUuid::createUuidV5(QUuid(), u"searching"_s);
    return id;
}

QUuid thinkingRowId()
{
    static const QUuid id = QUuid::createUuidV5(QUuid(), u"thinking"_s);
    return id;
}

QString displayedText(const QString &text, bool isStreaming)
{
    if (!isStreaming)
        return text;
    return text.endsWith(u'\n') ? text + u"▋"_s : text + u" ▋"_s;
}

double scrollProgress(double contentTop)
{
    return std::clamp((-6.0 - contentTop) / 60.0, 0.0, 1.0);
}

} // namespace MessageListRows
