#include "markdown/mdchars.h"

#include "base/textutil.h"

#include <QChar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <array>
#include <iterator>

namespace MDChars {

namespace {

// Characters that never join a neighbour into one cluster (no combining marks, joiners,
// prepended signs, Hangul jamo or regional indicators), so that a boundary lies between
// any two of them (except CR LF). Covers Latin, Greek, Cyrillic, common punctuation and
// symbols, CJK and Hangul syllables; everything else asks the grapheme rules.
bool isPlainBase(char16_t c)
{
    if (c < 0x300)
        return true;
    struct Range
    {
        char16_t first;
        char16_t end;
    };
    static constexpr Range ranges[] = {
        {0x0370, 0x0483}, // Greek, Cyrillic
        {0x048A, 0x0591}, // Cyrillic, Armenian
        {0x1E00, 0x2000}, // Latin and Greek extended
        {0x2010, 0x2028}, // dashes, quotes, bullets
        {0x2030, 0x20D0}, // punctuation, super- and subscripts, currency
        {0x2100, 0x2C00}, // letterlike, number forms, arrows, maths, symbols, dingbats
        {0x3000, 0x302A}, // CJK punctuation
        {0x3041, 0x3097}, // Hiragana
        {0x30A0, 0x3100}, // Katakana
        {0x3400, 0x4DC0}, // CJK extension A
        {0x4E00, 0xA000}, // CJK unified ideographs
        {0xAC00, 0xD7A4}, // Hangul syllables
        {0xFF01, 0xFF9E}, // full-width forms
    };
    for (const Range &range : ranges) {
        if (c < range.first)
            return false;
        if (c < range.end)
            return true;
    }
    return false;
}

bool isBoundarySlow(QStringView text, qsizetype pos)
{
    // One side of `pos` is ASCII, which can only be held to its neighbour pairwise (by a
    // prepended sign before it, or an extending mark after it): the two code points
    // around `pos` decide.
    qsizetype start = pos - 1;
    if (text[start].isLowSurrogate() && start > 0 && text[start - 1].isHighSurrogate())
        --start;
    qsizetype end = pos + 1;
    if (text[pos].isHighSurrogate() && end < text.size() && text[end].isLowSurrogate())
        ++end;
    unsigned char buffer[8];
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + start, end - start,
                               buffer, sizeof buffer);
    finder.setPosition(pos - start);
    return finder.isAtBoundary();
}

// Numeric ideographs (Unihan numeric values), which are letters, not numbers, by category.
constexpr char32_t numericIdeographs[] = {
    0x3405,  0x3483,  0x382A,  0x3B4D,  0x4E00,  0x4E03,  0x4E07,  0x4E09,  0x4E5D,
    0x4E8C,  0x4E94,  0x4E96,  0x4EBF,  0x4EC0,  0x4EDF,  0x4EE8,  0x4F0D,  0x4F70,
    0x5104,  0x5146,  0x5169,  0x516B,  0x516D,  0x5341,  0x5343,  0x5344,  0x5345,
    0x534C,  0x53C1,  0x53C2,  0x53C3,  0x53C4,  0x56DB,  0x58F1,  0x58F9,  0x5E7A,
    0x5EFE,  0x5EFF,  0x5F0C,  0x5F0D,  0x5F0E,  0x5F10,  0x62FE,  0x634C,  0x67D2,
    0x6F06,  0x7396,  0x767E,  0x8086,  0x842C,  0x8CAE,  0x8CB3,  0x8D30,  0x9621,
    0x9646,  0x964C,  0x9678,  0x96F6,  0xF96B,  0xF973,  0xF978,  0xF9B2,  0xF9D1,
    0xF9D3,  0xF9FD,  0x20001, 0x20064, 0x200E2, 0x20121, 0x2092A, 0x20983, 0x2098C,
    0x2099C, 0x20AEA, 0x20AFD, 0x20B19, 0x22390, 0x22998, 0x23B1B, 0x2626D, 0x2F890,
};

} // namespace

bool isBoundary(QStringView text, qsizetype pos)
{
    if (pos <= 0 || pos >= text.size())
        return true;
    const char16_t before = text[pos - 1].unicode();
    const char16_t after = text[pos].unicode();
    if (before < 0x300 && after < 0x300)
        return before != u'\r' || after != u'\n';
    if (isPlainBase(before) && isPlainBase(after))
        return true;
    return isBoundarySlow(text, pos);
}

bool startsWith(QStringView text, QStringView prefix)
{
    return text.startsWith(prefix) && isBoundary(text, prefix.size());
}

bool startsWith(QStringView text, char16_t ch)
{
    return !text.isEmpty() && text.front() == QChar(ch) && isBoundary(text, 1);
}

qsizetype indexOf(QStringView text, QStringView needle, qsizetype from)
{
    for (qsizetype at = text.indexOf(needle, from); at != -1; at = text.indexOf(needle, at + 1)) {
        if (isBoundary(text, at) && isBoundary(text, at + needle.size()))
            return at;
    }
    return -1;
}

qsizetype indexOf(QStringView text, char16_t ch, qsizetype from)
{
    for (qsizetype at = text.indexOf(QChar(ch), from); at != -1;
         at = text.indexOf(QChar(ch), at + 1)) {
        if (isBoundary(text, at) && isBoundary(text, at + 1))
            return at;
    }
    return -1;
}

qsizetype clusterEnd(QStringView text, qsizetype pos)
{
    const qsizetype size = text.size();
    if (pos >= size)
        return size;
    if (pos + 1 == size)
        return size;
    const char16_t first = text[pos].unicode();
    const char16_t next = text[pos + 1].unicode();
    if (isPlainBase(first) && isPlainBase(next) && (first != u'\r' || next != u'\n'))
        return pos + 1;
    // Clusters have no length limit (a letter may carry any number of marks), so widen
    // the window until the cluster ends inside it.
    for (qsizetype window = 32;; window *= 2) {
        qsizetype length = std::min(window, size - pos);
        if (pos + length < size && text[pos + length - 1].isHighSurrogate())
            ++length;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + pos, length);
        const qsizetype end = finder.toNextBoundary();
        if ((end > 0 && end < length) || pos + length == size)
            return pos + std::max<qsizetype>(end, 1);
    }
}

bool hasFewerCharactersThan(QStringView text, qsizetype limit)
{
    if (text.size() < limit)
        return true;
    bool simple = true;
    for (qsizetype i = 0; i < text.size() && simple; ++i)
        simple = isPlainBase(text[i].unicode()) && text[i] != u'\r';
    if (simple)
        return false;
    return TextUtil::graphemeCount(text) < limit;
}

bool hasNumericValue(char32_t codePoint)
{
    if (QChar::isNumber(codePoint))
        return true;
    return codePoint >= 0x3405
        && std::binary_search(std::begin(numericIdeographs), std::end(numericIdeographs),
                              codePoint);
}

QStringView trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.sliced(begin, end - begin);
}

} // namespace MDChars
