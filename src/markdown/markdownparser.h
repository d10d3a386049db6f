#pragma once

#include "markdown/mdblock.h"

#include <QStringView>

// The small line-oriented Markdown dialect of model answers: fenced code, display and
// inline math, headings, flat lists, quotes, dividers and non-nested emphasis. Not
// CommonMark. It never fails: anything it does not recognise is text, and constructs left
// open by a still-streaming answer degrade to text or to a block that runs to the end.
namespace MarkdownParser {

// The blocks of `text` in order; an empty text has none. The blocks share the text
// rather than copy it.
QList<MDBlock> parseBlocks(const QString &text);

// The inline spans of one block's text; consecutive plain text is always one span.
QList<MDSpan> parseSpans(QStringView text);

// Whether the text between two single dollars is a formula rather than the words
// between two prices ("$5 and $10").
bool looksLikeMath(QStringView text);

} // namespace MarkdownParser
