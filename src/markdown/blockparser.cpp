#include "markdown/blockparser.h"

#include "markdown/mdchars.h"
#include "markdown/spanparser.h"

#include <QChar>

using MDChars::isBoundary;
using MDChars::startsWith;
using MDChars::trimmed;

namespace {

QStringView fenceOf(QStringView line)
{
    for (QStringView fence : {QStringView(u"```"), QStringView(u"~~~")}) {
        if (startsWith(line, fence))
            return fence;
    }
    return {};
}

bool opensDisplayMath(QStringView trimmedLine)
{
    return startsWith(trimmedLine, u"$$") || startsWith(trimmedLine, u"\\[");
}

// The length of the "#" run of a heading line, or 0 when the line is no heading.
qsizetype headingLevel(QStringView line)
{
    qsizetype run = 0;
    while (run < line.size() && line[run] == u'#')
        ++run;
    if (run == 0 || run > 6 || run == line.size() || line[run] != u' '
        || !isBoundary(line, run + 1))
        return 0;
    return run;
}

bool isRule(QStringView trimmedLine)
{
    return trimmedLine == u"---" || trimmedLine == u"***" || trimmedLine == u"___";
}

char32_t codePointAt(QStringView text, qsizetype pos)
{
    const QChar ch = text[pos];
    if (ch.isHighSurrogate() && pos + 1 < text.size() && text[pos + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(ch, text[pos + 1]);
    return ch.unicode();
}

struct ListItemMatch
{
    bool matched = false;
    int indent = 0;
    QStringView marker; // empty for a bullet
    QStringView text;
};

// Tabs count as four spaces, as if the line had them expanded.
ListItemMatch matchListItem(QStringView line, bool ordered)
{
    ListItemMatch match;
    qsizetype pos = 0;
    qsizetype width = 0;
    while (pos < line.size() && (line[pos] == u' ' || line[pos] == u'\t')) {
        width += line[pos] == u' ' ? 1 : 4;
        ++pos;
    }
    // A bullet may carry one space beyond its pairs of spaces; a number may not.
    if (ordered && width % 2 == 1)
        return match;
    const qsizetype markerBegin = pos;
    if (!ordered) {
        if (pos == line.size() || (line[pos] != u'-' && line[pos] != u'*' && line[pos] != u'+'))
            return match;
        ++pos;
    } else {
        while (pos < line.size() && MDChars::hasNumericValue(codePointAt(line, pos)))
            pos = MDChars::clusterEnd(line, pos);
        if (pos == markerBegin || pos == line.size() || (line[pos] != u'.' && line[pos] != u')'))
            return match;
        ++pos;
    }
    // The marker and the space after it must each be a character of its own.
    if (pos == line.size() || (line[pos] != u' ' && line[pos] != u'\t') || !isBoundary(line, pos)
        || !isBoundary(line, pos + 1))
        return match;
    match.matched = true;
    match.indent = int(width / 2);
    if (ordered)
        match.marker = line.sliced(markerBegin, pos - markerBegin);
    match.text = trimmed(line.sliced(pos + 1));
    return match;
}

bool isListItem(QStringView line)
{
    return matchListItem(line, false).matched || matchListItem(line, true).matched;
}

QStringView trimmedSpaces(QStringView text)
{
    while (text.startsWith(u' '))
        text = text.sliced(1);
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

// A paragraph runs until a line that starts something else.
bool stopsParagraph(QStringView line)
{
    const QStringView trimmedLine = trimmed(line);
    return trimmedLine.isEmpty() || !fenceOf(line).isEmpty() || opensDisplayMath(trimmedLine)
        || headingLevel(line) != 0 || isRule(trimmedLine) || isListItem(line)
        || startsWith(line, u'>');
}

} // namespace

BlockParser::BlockParser(const QString &text)
    : m_source(new MDSource)
    , m_shared(m_source)
{
    // Blocks share the answer rather than copy it, which needs a string that owns its
    // characters (not one made with QString::fromRawData).
    if (text.size() > maximumLength)
        m_source->text = text.first(maximumLength);
    else if (!text.isEmpty() && text.capacity() == 0)
        m_source->text = QString(text.constData(), text.size());
    else
        m_source->text = text;
    m_text = m_source->text;
}

QList<MDBlock> BlockParser::parse()
{
    qsizetype pos = 0;
    while (pos != -1)
        pos = parseAt(pos);
    return std::move(m_blocks);
}

// Lines end at every line feed. A CR before the line feed (text pasted from Windows, or a
// server that sends CR LF) belongs to the line break, not to the line: left in, it would
// end up in code, in fence languages and after a closing "$$".
BlockParser::Line BlockParser::lineAt(qsizetype pos) const
{
    Line line;
    const qsizetype end = m_text.indexOf(u'\n', pos);
    line.text = m_text.sliced(pos, (end == -1 ? m_text.size() : end) - pos);
    line.next = end == -1 ? -1 : end + 1;
    if (line.text.endsWith(u'\r')) {
        line.text.chop(1);
        line.hadCarriageReturn = true;
    }
    return line;
}

// Parses the block that starts with the line at `pos` and returns where the line after it
// starts (-1 at the end).
qsizetype BlockParser::parseAt(qsizetype pos)
{
    const Line line = lineAt(pos);
    const QStringView text = line.text;
    const QStringView trimmedLine = trimmed(text);

    if (const QStringView fence = fenceOf(text); !fence.isEmpty())
        return codeBlock(line, fence);
    if (opensDisplayMath(trimmedLine))
        return mathBlock(line, trimmedLine);
    if (const qsizetype level = headingLevel(text); level != 0) {
        MDBlock block = newBlock(MDBlock::Kind::Heading, int(level));
        setSpans(block, trimmed(text.sliced(level + 1)));
        m_blocks.append(std::move(block));
        return line.next;
    }
    if (trimmedLine == u"- - -" || isRule(trimmedLine)) {
        m_blocks.append(newBlock(MDBlock::Kind::Divider));
        return line.next;
    }
    for (const bool ordered : {false, true}) {
        if (const ListItemMatch match = matchListItem(text, ordered); match.matched) {
            MDBlock block = newBlock(MDBlock::Kind::ListItem, match.indent);
            if (ordered) {
                block.m_text = rangeOf(match.marker);
            } else {
                block.m_text = appendExtra(u"\u2022");
                block.m_flags |= MDBlock::TextInExtra;
            }
            if (match.text.contains(u'\t'))
                setExtraSpans(block, appendExpandingTabs(match.text));
            else
                setSpans(block, match.text);
            m_blocks.append(std::move(block));
            return line.next;
        }
    }
    if (startsWith(text, u'>')) {
        MDBlock block = newBlock(MDBlock::Kind::Blockquote);
        setSpans(block, trimmedSpaces(text.sliced(1)));
        m_blocks.append(std::move(block));
        return line.next;
    }
    if (trimmedLine.isEmpty())
        return line.next;
    return paragraph(line);
}

// A fence without a closing line (an answer still streaming) runs to the end.
qsizetype BlockParser::codeBlock(const Line &opening, QStringView fence)
{
    MDBlock block = newBlock(MDBlock::Kind::CodeBlock);
    block.m_language = rangeOf(trimmed(opening.text.sliced(fence.size())));

    qsizetype pos = opening.next;
    QStringView first;
    QStringView last;
    bool hadCarriageReturn = false;
    while (pos != -1) {
        const Line line = lineAt(pos);
        if (startsWith(line.text, fence)) {
            pos = line.next;
            break;
        }
        if (first.isNull())
            first = line.text;
        last = line.text;
        hadCarriageReturn = hadCarriageReturn || line.hadCarriageReturn;
        pos = line.next;
    }
    if (first.isNull()) {
        block.m_text = {};
    } else if (!hadCarriageReturn) {
        // The code lines joined with line feeds are exactly this slice of the answer.
        block.m_text = rangeOf(QStringView(first.data(), last.data() + last.size()));
    } else {
        const qint32 begin = qint32(m_source->extra.size());
        for (qsizetype at = first.data() - m_text.data(); at != -1;) {
            const Line line = lineAt(at);
            m_source->extra.append(line.text);
            if (line.text.data() == last.data())
                break;
            m_source->extra.append(u'\n');
            at = line.next;
        }
        block.m_text = {begin, qint32(m_source->extra.size() - begin)};
        block.m_flags |= MDBlock::TextInExtra;
    }
    m_blocks.append(std::move(block));
    return pos;
}

// Display math on one line, or from an opening line to the first line holding the
// closing delimiter (or to the end); the lines are joined with spaces.
qsizetype BlockParser::mathBlock(const Line &opening, QStringView trimmedLine)
{
    MDBlock block = newBlock(MDBlock::Kind::MathBlock);
    const QStringView close
        = trimmedLine.startsWith(u'$') ? QStringView(u"$$") : QStringView(u"\\]");
    const QStringView rest = trimmedLine.sliced(2);
    if (const qsizetype at = MDChars::indexOf(rest, close); at != -1) {
        block.m_text = rangeOf(trimmed(rest.first(at)));
        m_blocks.append(std::move(block));
        return opening.next;
    }

    QString &extra = m_source->extra;
    const qsizetype begin = extra.size();
    bool firstPiece = true;
    const auto addPiece = [&extra, &firstPiece](QStringView piece) {
        if (!firstPiece)
            extra.append(u' ');
        extra.append(piece);
        firstPiece = false;
    };
    if (!trimmed(rest).isEmpty())
        addPiece(rest);
    qsizetype pos = opening.next;
    bool closed = false;
    while (pos != -1) {
        const Line line = lineAt(pos);
        pos = line.next;
        if (const qsizetype at = MDChars::indexOf(line.text, close); at != -1) {
            if (!trimmed(line.text.first(at)).isEmpty())
                addPiece(line.text.first(at));
            closed = true;
            break;
        }
        addPiece(line.text);
    }
    const QStringView joined = QStringView(extra).sliced(begin);
    const QStringView latex = trimmed(joined);
    block.m_text = {qint32(begin + (latex.data() - joined.data())), qint32(latex.size())};
    block.m_flags |= MDBlock::TextInExtra;
    if (!closed)
        block.m_flags |= MDBlock::Open;
    m_blocks.append(std::move(block));
    return pos;
}

qsizetype BlockParser::paragraph(const Line &first)
{
    MDBlock block = newBlock(MDBlock::Kind::Paragraph);
    qsizetype pos = first.next;
    qsizetype joinedBegin = -1;
    while (pos != -1) {
        const Line line = lineAt(pos);
        if (stopsParagraph(line.text))
            break;
        if (joinedBegin == -1)
            joinedBegin = appendExtra(first.text).begin;
        m_source->extra.append(u' ');
        m_source->extra.append(line.text);
        pos = line.next;
    }
    if (joinedBegin == -1)
        setSpans(block, first.text);
    else
        setExtraSpans(block, {qint32(joinedBegin), qint32(m_source->extra.size() - joinedBegin)});
    m_blocks.append(std::move(block));
    return pos;
}

MDBlock BlockParser::newBlock(MDBlock::Kind kind, int number) const
{
    MDBlock block;
    block.m_source = m_shared;
    block.m_kind = kind;
    block.m_number = number;
    return block;
}

MDSource::Range BlockParser::rangeOf(QStringView slice) const
{
    return {qint32(slice.data() - m_text.data()), qint32(slice.size())};
}

MDSource::Range BlockParser::appendExtra(QStringView text)
{
    const MDSource::Range range{qint32(m_source->extra.size()), qint32(text.size())};
    m_source->extra.append(text);
    return range;
}

// As if the line had its tabs replaced by four spaces.
MDSource::Range BlockParser::appendExpandingTabs(QStringView text)
{
    const qint32 begin = qint32(m_source->extra.size());
    for (qsizetype from = 0; from <= text.size();) {
        qsizetype tab = text.indexOf(u'\t', from);
        if (tab == -1)
            tab = text.size();
        m_source->extra.append(text.sliced(from, tab - from));
        if (tab < text.size())
            m_source->extra.append(QLatin1String("    "));
        from = tab + 1;
    }
    return {begin, qint32(m_source->extra.size() - begin)};
}

void BlockParser::setSpans(MDBlock &block, QStringView text)
{
    block.m_firstSpan = qint32(m_source->spans.size());
    block.m_spanCount
        = qint32(SpanParser(text, text.data() - m_text.data(), m_source->spans).parse());
}

void BlockParser::setExtraSpans(MDBlock &block, MDSource::Range range)
{
    block.m_flags |= MDBlock::SpansInExtra;
    block.m_firstSpan = qint32(m_source->spans.size());
    const QStringView text = QStringView(m_source->extra).sliced(range.begin, range.length);
    block.m_spanCount = qint32(SpanParser(text, range.begin, m_source->spans).parse());
}
