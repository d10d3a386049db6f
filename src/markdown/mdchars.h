#pragma once

#include <QStringView>

// Character-level helpers of the Markdown parser. Every Markdown delimiter is ASCII, and a
// delimiter only counts when it is a whole user-perceived character: "*" followed by a
// combining mark, or "$" after a prepended sign, is ordinary text. The checks are cheap for
// the common scripts and fall back to the grapheme rules only next to rarer characters.
namespace MDChars {

// Whether a grapheme cluster boundary lies at `pos` in `text`. The start and the end of
// `text` are boundaries. Exact whenever one side of `pos` is an ASCII character, which is
// how the parser uses it.
bool isBoundary(QStringView text, qsizetype pos);

// Whether `text` starts with `prefix` (ASCII) as whole characters.
bool startsWith(QStringView text, QStringView prefix);
bool startsWith(QStringView text, char16_t ch);

// The first position at or after `from` where `needle` (ASCII) stands as whole
// characters, or -1.
qsizetype indexOf(QStringView text, QStringView needle, qsizetype from = 0);
qsizetype indexOf(QStringView text, char16_t ch, qsizetype from = 0);

inline bool contains(QStringView text, char16_t ch)
{
    return indexOf(text, ch) != -1;
}

// The end of the grapheme cluster that starts at `pos`.
qsizetype clusterEnd(QStringView text, qsizetype pos);

// Whether `text` has fewer than `limit` user-perceived characters.
bool hasFewerCharactersThan(QStringView text, qsizetype limit);

// Whether the code point has a Unicode numeric value: decimal digits of every script,
// letter numbers, other numbers ("²", "Ⅻ") and the numeric ideographs ("三").
bool hasNumericValue(char32_t codePoint);

// Spaces and tabs removed at both ends.
QStringView trimmed(QStringView text);

} // namespace MDChars
