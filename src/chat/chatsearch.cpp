#include "chat/chatsearch.h"

#include <algorithm>

namespace ChatSearch {

namespace {

constexpr qsizetype snippetContext = 40;

// The text around `at`, with the match marked.
void cut(ChatSearchHit &hit, const QString &text, qsizetype at, qsizetype length)
{
    const qsizetype from = std::max<qsizetype>(0, at - snippetContext);
    const qsizetype to = std::min(text.size(), at + length + snippetContext);
    const QString prefix = from > 0 ? QStringLiteral("…") : QString();
    hit.snippet = prefix + text.mid(from, to - from).simplified();
    hit.marks = {{prefix.size() + at - from, length}};
    if (to < text.size())
        hit.snippet += QStringLiteral("…");
}

} // namespace

QList<ChatSearchHit> find(const QList<ChatSession> &sessions, const QString &query, int limit)
{
    const QString needle = query.simplified();
    QList<ChatSearchHit> hits;
    if (needle.isEmpty())
        return hits;
    for (const ChatSession &session : sessions) {
        ChatSearchHit hit{session.id, {}, session.title(), session.updatedAt, session.isArchived,
                          {},         {}};
        bool found = false;
        if (const qsizetype at = hit.title.indexOf(needle, 0, Qt::CaseInsensitive); at >= 0) {
            cut(hit, hit.title, at, needle.size());
            found = true;
        }
        for (const ChatMessage &message : session.messages) {
            const qsizetype at = message.text.indexOf(needle, 0, Qt::CaseInsensitive);
            if (at < 0)
                continue;
            hit.messageId = message.id;
            cut(hit, message.text, at, needle.size());
            found = true;
            break;
        }
        if (found)
            hits.append(hit);
    }
    std::stable_sort(hits.begin(), hits.end(), [](const ChatSearchHit &a, const ChatSearchHit &b) {
        return a.updatedAt > b.updatedAt;
    });
    if (hits.size() > limit)
        hits.resize(limit);
    return hits;
}

} // namespace ChatSearch
