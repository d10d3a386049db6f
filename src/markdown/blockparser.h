#pragma once

#include "markdown/mdblock.h"

// Groups an answer's lines into blocks. Each line is tried against the block rules in a
// fixed order (fence, display math, heading, divider, list items, quote, blank line); any
// other line starts a paragraph that runs until a line starts something else.
class BlockParser
{
public:
    explicit BlockParser(const QString &text);

    QList<MDBlock> parse();

    // The longest text parsed; the rest of a longer one is ignored. Far beyond any answer,
    // and small enough for the 32-bit offsets of the blocks, extra texts included.
    static constexpr qsizetype maximumLength = qsizetype(1) << 28;

private:
    struct Line
    {
        QStringView text; // without the line feed and a CR before it
        qsizetype next = -1; // where the following line starts; -1 after the last line
        bool hadCarriageReturn = false;
    };

    Line lineAt(qsizetype pos) const;
    qsizetype parseAt(qsizetype pos);
    qsizetype codeBlock(const Line &opening, QStringView fence);
    qsizetype mathBlock(const Line &opening, QStringView trimmedLine);
    qsizetype paragraph(const Line &first);

    MDBlock newBlock(MDBlock::Kind kind, int number = 0) const;
    MDSource::Range rangeOf(QStringView slice) const;
    MDSource::Range appendExtra(QStringView text);
    MDSource::Range appendExpandingTabs(QStringView text);
    void setSpans(MDBlock &block, QStringView text);
    void setExtraSpans(MDBlock &block, MDSource::Range range);

    MDSource *m_source;
    QExplicitlySharedDataPointer<const MDSource> m_shared;
    QStringView m_text;
    QList<MDBlock> m_blocks;
};
