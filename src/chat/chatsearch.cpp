#include "chat/chatsearch.h"

#include <QStringList>

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

// Whether `text` holds something a tokenizer could make a word of: a letter, a digit, or a
// symbol such as an emoji. Punctuation alone ("*", "-", ":") is not searched for.
bool hasWordCharacter(QStringView text)
{
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (QChar::isLetterOrNumber(c) || category == QChar::Symbol_Other
            || category == QChar::Other_PrivateUse)
            return true;
    }
    return false;
}

// An FTS5 string: double quotes, with the ones inside doubled.
QString quoted(QStringView text)
{
    QString out = text.toString();
    out.replace(u'"', QStringLiteral("\"\""));
    return u'"' + out + u'"';
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

QString ftsQuery(const QString &userText)
{
    QStringList terms;
    // The last term kept ran to the end of the text without a closing quote.
    bool lastIsOpen = false;
    const qsizetype size = userText.size();
    qsizetype at = 0;
    while (at < size) {
        if (userText.at(at).isSpace()) {
            ++at;
            continue;
        }
        QStringView term;
        bool open = false;
        if (userText.at(at) == u'"') {
            // A phrase runs to the next quote; one left open runs to the end.
            const qsizetype close = userText.indexOf(u'"', at + 1);
            const qsizetype end = close < 0 ? size : close;
            term = QStringView(userText).sliced(at + 1, end - at - 1);
            open = close < 0;
            at = close < 0 ? size : close + 1;
        } else {
            // A quote inside a word is a character of the word.
            qsizetype end = at;
            while (end < size && !userText.at(end).isSpace())
                ++end;
            term = QStringView(userText).sliced(at, end - at);
            open = end == size;
            at = end;
        }
        if (!hasWordCharacter(term)) {
            lastIsOpen = false;
            continue;
        }
        terms.append(quoted(term.toString().simplified()));
        lastIsOpen = open;
    }
    if (terms.isEmpty())
        return {};
    // A trailing space says the word is complete; a prefix match would find too much.
    if (lastIsOpen && !userText.back().isSpace())
        terms.last() += u'*';
    return terms.join(u' ');
}

} // namespace ChatSearch
