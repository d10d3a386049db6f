#include "chat/chatsearch.h"

#include <QStringList>

namespace ChatSearch {

namespace {

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
