#include "base/textutil.h"

#include <QTextBoundaryFinder>

namespace TextUtil {

namespace {

bool isRegionalIndicatorAt(QStringView text, qsizetype pos)
{
    // U+1F1E6…U+1F1FF as UTF-16 surrogate pairs.
    return pos >= 0 && pos + 1 < text.size() && text[pos].unicode() == 0xD83C
        && text[pos + 1].unicode() >= 0xDDE6 && text[pos + 1].unicode() <= 0xDDFF;
}

// Walks grapheme cluster boundaries. Qt 6.4's finder splits a flag (a pair of regional
// indicators) in two; this joins such pairs, as Unicode's rules GB12 and GB13 ask.
class GraphemeWalker
{
public:
    explicit GraphemeWalker(QStringView text)
        : m_text(text)
        , m_finder(QTextBoundaryFinder::Grapheme, text.constData(), text.size())
    { }

    // The end of the next cluster, or -1 at the end of the text.
    qsizetype next()
    {
        qsizetype pos = m_finder.toNextBoundary();
        while (pos != -1 && pos < m_text.size() && isRegionalIndicatorAt(m_text, pos)
               && isRegionalIndicatorAt(m_text, pos - 2) && oddRunBefore(pos))
            pos = m_finder.toNextBoundary();
        return pos;
    }

private:
    bool oddRunBefore(qsizetype pos) const
    {
        qsizetype run = 0;
        for (qsizetype p = pos - 2; isRegionalIndicatorAt(m_text, p); p -= 2)
            ++run;
        return run % 2 == 1;
    }

    QStringView m_text;
    QTextBoundaryFinder m_finder;
};

} // namespace

qsizetype graphemeCount(QStringView text)
{
    GraphemeWalker walker(text);
    qsizetype count = 0;
    while (walker.next() != -1)
        ++count;
    return count;
}

QString leftGraphemes(QStringView text, qsizetype count)
{
    GraphemeWalker walker(text);
    qsizetype end = 0;
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype next = walker.next();
        if (next == -1)
            break;
        end = next;
    }
    return text.left(end).toString();
}

bool startsWithGraphemes(QStringView text, QStringView prefix)
{
    if (!text.startsWith(prefix))
        return false;
    GraphemeWalker walker(text);
    qsizetype pos = 0;
    while (pos < prefix.size() && pos != -1)
        pos = walker.next();
    return pos == prefix.size();
}

} // namespace TextUtil
