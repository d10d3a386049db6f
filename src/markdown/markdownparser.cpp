#include "markdown/markdownparser.h"

#include "markdown/blockparser.h"
#include "markdown/mdchars.h"
#include "markdown/spanparser.h"

namespace MarkdownParser {

QList<MDBlock> parseBlocks(const QString &text)
{
    return BlockParser(text).parse();
}

QList<MDSpan> parseSpans(QStringView text)
{
    // The spans of a one-paragraph text, without the join of lines a paragraph would make.
    QList<MDSource::Span> records;
    SpanParser(text, 0, records).parse();
    QList<MDSpan> spans;
    spans.reserve(records.size());
    for (const MDSource::Span &record : std::as_const(records)) {
        const QStringView spanText = text.sliced(record.text.begin, record.text.length);
        const QStringView url = record.kind == MDSpan::Kind::Link
            ? text.sliced(record.text.begin + record.text.length + 2, record.urlLength)
            : QStringView();
        spans.append(MDSpan(record.kind, spanText.toString(), url.toString()));
    }
    return spans;
}

bool looksLikeMath(QStringView text)
{
    if (text.isEmpty())
        return false;
    bool hasSpace = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i].unicode();
        if (ch != u'\\' && ch != u'^' && ch != u'_' && ch != u'{' && ch != u' ')
            continue;
        if (!MDChars::isBoundary(text, i) || !MDChars::isBoundary(text, i + 1))
            continue;
        if (ch == u' ')
            hasSpace = true;
        else
            return true;
    }
    // Two prices ("$5 and $10") enclose words with spaces; a formula without any of the
    // characters above is one short token such as "x" or "n+1".
    return !hasSpace && MDChars::hasFewerCharactersThan(text, 17);
}

} // namespace MarkdownParser
