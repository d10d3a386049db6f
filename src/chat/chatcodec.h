#pragma once

#include "chat/chatmessage.h"
#include "chat/chatsession.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>

#include <optional>

// The stored JSON form of the chat records. Compatible with the documents the first
// version of the app wrote: dates are seconds since 2001-01-01 UTC as a JSON number, ids
// are upper-case canonical UUIDs, optional keys are left out when absent.
//
// Keys of a chat or a message that this version does not know are kept with the record and
// written back as they were read, so that a newer version's data survives a save by this one.
//
// Decoding is all or nothing: a missing required key, a wrong type or an unknown role
// anywhere fails the whole document, so that a partly understood list is never saved back
// over the original.
namespace ChatCodec {

QByteArray encodeSessions(const QList<ChatSession> &sessions);
std::optional<QList<ChatSession>> decodeSessions(QByteArrayView json);

// The older single-conversation form: a JSON array of messages.
QByteArray encodeMessages(const QList<ChatMessage> &messages);
std::optional<QList<ChatMessage>> decodeMessages(QByteArrayView json);

// The parts of a message that the database keeps as JSON text, in the same form as in a
// stored list: the sources, the figures of an answer, its versions, and the keys of a newer
// velm (as one object).
QByteArray encodeSources(const QList<SearchResult> &sources);
std::optional<QList<SearchResult>> decodeSources(QByteArrayView json);
QByteArray encodeStats(const AnswerStats &stats);
std::optional<AnswerStats> decodeStats(QByteArrayView json);
QByteArray encodeVersions(const QList<AnswerVersion> &versions);
std::optional<QList<AnswerVersion>> decodeVersions(QByteArrayView json);
QByteArray encodeMembers(const JsonMembers &members);
std::optional<JsonMembers> decodeMembers(QByteArrayView json);

// Seconds since 2001-01-01 00:00:00 UTC, the stored form of a date.
double referenceSeconds(const QDateTime &date);
// The date for a stored number, rounded to the millisecond; nothing for numbers too large
// to be a date.
std::optional<QDateTime> dateFromReferenceSeconds(double seconds);

} // namespace ChatCodec
