#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

// A run of characters in a text, such as a word a search matched in a snippet.
struct TextSpan
{
    qsizetype start = 0;
    qsizetype length = 0;

    bool operator==(const TextSpan &other) const = default;
};

// One conversation a search across the chats found.
struct ChatSearchHit
{
    QUuid chatId;
    // The message that matched best; null when only the title did.
    QUuid messageId;
    QString title;
    QDateTime updatedAt;
    bool isArchived = false;
    // Plain text around the match (never markup), with the matched words at `marks`.
    QString snippet;
    QList<TextSpan> marks;

    bool operator==(const ChatSearchHit &other) const = default;
};

namespace ChatSearch {

// What the user typed, as an SQLite FTS5 MATCH expression that always parses and never
// carries an operator of the user's: every word becomes a quoted string (AND, NEAR, a
// column name and a star are words like any other), a "quoted phrase" stays one phrase,
// and the last word is a prefix while it is still being typed (no space after it, not in a
// closed phrase). Words without a letter, digit or symbol are left out; nothing left gives
// an empty string, which the caller must not pass to MATCH.
QString ftsQuery(const QString &userText);

} // namespace ChatSearch
