#pragma once

#include "markdown/mdsource.h"

#include <QStringView>

#include <array>

// Splits one block's text into inline spans. Each position is tried against code, math,
// emphasis and links in a fixed order; whatever does not open a closed construct is plain
// text, so the parser never fails and a half-streamed "**bold" simply shows its asterisks.
class SpanParser
{
public:
    // Spans are appended to `spans` as ranges of the string in which `text` starts at
    // offset `base`.
    SpanParser(QStringView text, qsizetype base, QList<MDSource::Span> &spans);

    // Appends the spans of the text and returns how many there are.
    qsizetype parse();

private:
    enum Delimiter {
        Backtick,
        MathClose,
        Dollar,
        TripleStar,
        TripleUnderscore,
        DoubleStar,
        DoubleUnderscore,
        Star,
        Underscore,
        BracketClose,
        DelimiterCount
    };

    // The last search for a delimiter: its first occurrence at or after `from` is `found`
    // (-1: none). Every later search from a position in [from, found] has the same answer,
    // which keeps a text full of unclosed openers ("[[[[", "****") linear instead of
    // scanning to the end once per opener.
    struct Search
    {
        qsizetype from = -1;
        qsizetype found = -1;
    };

    // A link destination: the "(" after "]" and the ")" that balances it (-1: none).
    struct Destination
    {
        qsizetype open = -1;
        qsizetype close = -1;
    };

    qsizetype find(Delimiter delimiter, qsizetype from);
    qsizetype destinationEnd(qsizetype open);
    bool isRun(qsizetype pos, char16_t ch, qsizetype length) const;
    qsizetype tryEnclosed(qsizetype pos);
    qsizetype tryEmphasis(qsizetype pos, char16_t ch);
    qsizetype tryLink(qsizetype pos);
    qsizetype plainEnd(qsizetype pos) const;
    void append(MDSpan::Kind kind, qsizetype begin, qsizetype end, qsizetype urlLength = 0);
    void flushPlain();

    QStringView m_text;
    qsizetype m_base;
    QList<MDSource::Span> &m_spans;
    qsizetype m_count = 0;
    qsizetype m_plainBegin = -1;
    qsizetype m_plainEnd = -1;
    std::array<Search, DelimiterCount> m_searches{};
    // A destination that closes is scanned once: the parse goes on after it. One that does
    // not is scanned to the end, as every later one in "[a]([a]([a](…" would be; so that
    // scan also matches the later destinations on its way, and from then on they are looked
    // up, with a cursor, since links are tried left to right.
    QList<Destination> m_destinations;
    qsizetype m_nextDestination = 0;
    bool m_destinationsMatched = false;
};
