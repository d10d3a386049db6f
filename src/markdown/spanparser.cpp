#include "markdown/spanparser.h"

#include "markdown/markdownparser.h"
#include "markdown/mdchars.h"

#include <QVarLengthArray>

namespace {

constexpr QStringView delimiterText[] = {
    u"`", u"\\)", u"$", u"***", u"___", u"**", u"__", u"*", u"_", u"]",
};

bool isAsciiPunctuation(QChar c)
{
    const char16_t ch = c.unicode();
    return (ch >= u'!' && ch <= u'/') || (ch >= u':' && ch <= u'@') || (ch >= u'[' && ch <= u'`')
        || (ch >= u'{' && ch <= u'~');
}

} // namespace

SpanParser::SpanParser(QStringView text, qsizetype base, QList<MDSource::Span> &spans)
    : m_text(text)
    , m_base(base)
    , m_spans(spans)
{ }

qsizetype SpanParser::parse()
{
    qsizetype pos = 0;
    while (pos < m_text.size()) {
        qsizetype next = -1;
        switch (m_text[pos].unicode()) {
        case u'`':
        case u'\\':
        case u'$':
            next = tryEnclosed(pos);
            break;
        case u'*':
        case u'_':
            next = tryEmphasis(pos, m_text[pos].unicode());
            break;
        case u'[':
            next = tryLink(pos);
            break;
        default:
            break;
        }
        if (next == -1) {
            next = plainEnd(pos);
            if (m_plainBegin == -1)
                m_plainBegin = pos;
            m_plainEnd = next;
        }
        pos = next;
    }
    flushPlain();
    return m_count;
}

qsizetype SpanParser::find(Delimiter delimiter, qsizetype from)
{
    Search &search = m_searches[delimiter];
    if (search.from != -1 && from >= search.from && (search.found == -1 || from <= search.found))
        return search.found;
    search.from = from;
    search.found = MDChars::indexOf(m_text, delimiterText[delimiter], from);
    return search.found;
}

bool SpanParser::isRun(qsizetype pos, char16_t ch, qsizetype length) const
{
    if (pos + length > m_text.size())
        return false;
    for (qsizetype i = 0; i < length; ++i) {
        if (m_text[pos + i] != ch)
            return false;
    }
    return MDChars::isBoundary(m_text, pos + length);
}

// Inline code between backticks, and inline math between "\(" and "\)" or single dollars.
qsizetype SpanParser::tryEnclosed(qsizetype pos)
{
    const char16_t ch = m_text[pos].unicode();
    if (ch == u'`') {
        if (!isRun(pos, u'`', 1))
            return -1;
        const qsizetype close = find(Backtick, pos + 1);
        if (close == -1)
            return -1;
        append(MDSpan::Kind::Code, pos + 1, close);
        return close + 1;
    }
    if (ch == u'\\') {
        if (!isRun(pos, u'\\', 1) || !isRun(pos + 1, u'(', 1))
            return -1;
        const qsizetype close = find(MathClose, pos + 2);
        if (close == -1)
            return -1;
        append(MDSpan::Kind::Math, pos + 2, close);
        return close + 2;
    }
    // A "$$" inside a line is not display math; both dollars end up as text.
    if (!isRun(pos, u'$', 1) || isRun(pos + 1, u'$', 1))
        return -1;
    const qsizetype close = find(Dollar, pos + 1);
    if (close == -1)
        return -1;
    const QStringView inner = m_text.sliced(pos + 1, close - pos - 1);
    if (!MarkdownParser::looksLikeMath(inner))
        return -1;
    append(MDSpan::Kind::Math, pos + 1, close);
    return close + 1;
}

qsizetype SpanParser::tryEmphasis(qsizetype pos, char16_t ch)
{
    const bool star = ch == u'*';
    if (isRun(pos, ch, 3)) {
        const qsizetype close = find(star ? TripleStar : TripleUnderscore, pos + 3);
        if (close != -1) {
            append(MDSpan::Kind::BoldItalic, pos + 3, close);
            return close + 3;
        }
    }
    if (isRun(pos, ch, 2)) {
        const qsizetype close = find(star ? DoubleStar : DoubleUnderscore, pos + 2);
        if (close != -1) {
            append(MDSpan::Kind::Bold, pos + 2, close);
            return close + 2;
        }
        // An unclosed "**" is text, never the start of an italic span.
        return -1;
    }
    if (!isRun(pos, ch, 1))
        return -1;
    const qsizetype close = find(star ? Star : Underscore, pos + 1);
    if (close == -1)
        return -1;
    append(MDSpan::Kind::Italic, pos + 1, close);
    return close + 1;
}

qsizetype SpanParser::tryLink(qsizetype pos)
{
    if (!isRun(pos, u'[', 1))
        return -1;
    const qsizetype textEnd = find(BracketClose, pos + 1);
    if (textEnd == -1 || !isRun(textEnd + 1, u'(', 1))
        return -1;
    const qsizetype urlEnd = destinationEnd(textEnd + 1);
    if (urlEnd == -1)
        return -1;
    append(MDSpan::Kind::Link, pos + 1, textEnd, urlEnd - textEnd - 2);
    return urlEnd + 1;
}

// The ")" that closes the destination opened by the "(" at `open`, or -1.
qsizetype SpanParser::destinationEnd(qsizetype open)
{
    if (m_destinationsMatched) {
        while (m_nextDestination < m_destinations.size()
               && m_destinations[m_nextDestination].open < open)
            ++m_nextDestination;
        if (m_nextDestination == m_destinations.size()
            || m_destinations[m_nextDestination].open != open)
            return -1;
        return m_destinations[m_nextDestination].close;
    }
    // Per open parenthesis: its index in m_destinations when it follows a "]" inside this
    // destination, else -1.
    QVarLengthArray<qsizetype, 16> opened;
    const QChar *data = m_text.data();
    const qsizetype size = m_text.size();
    for (qsizetype i = open; i < size; ++i) {
        const char16_t ch = data[i].unicode();
        // Parentheses nest, and a backslash escapes the punctuation after it: "\)" does not
        // close a destination, "\\)" does.
        if (ch == u'\\') {
            if (i + 1 < size && isAsciiPunctuation(data[i + 1]))
                ++i;
            continue;
        }
        if ((ch != u'(' && ch != u')') || !MDChars::isBoundary(m_text, i)
            || !MDChars::isBoundary(m_text, i + 1))
            continue;
        if (ch == u'(') {
            if (i > open && data[i - 1] == u']') {
                opened.append(m_destinations.size());
                m_destinations.append({i, -1});
            } else {
                opened.append(-1);
            }
        } else {
            if (opened.last() != -1)
                m_destinations[opened.last()].close = i;
            opened.removeLast();
            if (opened.isEmpty()) {
                // The parse goes on after this link: nothing inside is asked for again.
                m_destinations.clear();
                return i;
            }
        }
    }
    m_destinationsMatched = true;
    return -1;
}

// The end of a run of text that starts with the character at `pos` (whatever it is) and
// stops before the next character that may open a span.
qsizetype SpanParser::plainEnd(qsizetype pos) const
{
    const qsizetype size = m_text.size();
    const QChar *data = m_text.data();
    for (qsizetype i = pos + 1; i < size; ++i) {
        const char16_t ch = data[i].unicode();
        if (ch < u'$' || ch > u'`')
            continue;
        switch (ch) {
        case u'`':
        case u'*':
        case u'_':
        case u'[':
        case u'$':
            if (MDChars::isBoundary(m_text, i) && MDChars::isBoundary(m_text, i + 1))
                return i;
            break;
        case u'\\':
            if (i + 1 < size && data[i + 1] == u'(' && MDChars::isBoundary(m_text, i)
                && MDChars::isBoundary(m_text, i + 2))
                return i;
            break;
        default:
            break;
        }
    }
    return size;
}

void SpanParser::append(MDSpan::Kind kind, qsizetype begin, qsizetype end, qsizetype urlLength)
{
    flushPlain();
    MDSource::Span span;
    span.kind = kind;
    span.text = {qint32(m_base + begin), qint32(end - begin)};
    span.urlLength = qint32(urlLength);
    m_spans.append(span);
    ++m_count;
}

void SpanParser::flushPlain()
{
    if (m_plainBegin == -1)
        return;
    const qsizetype begin = m_plainBegin;
    m_plainBegin = -1;
    append(MDSpan::Kind::Plain, begin, m_plainEnd);
}
