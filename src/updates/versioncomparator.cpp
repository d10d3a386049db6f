#include "updates/versioncomparator.h"

#include <QList>

namespace {

struct Part
{
    bool isNumber = false;
    QStringView text; // digits without leading zeros, or a word
};

QList<Part> split(QStringView version)
{
    QList<Part> parts;
    qsizetype i = 0;
    const qsizetype n = version.size();
    while (i < n) {
        const QChar c = version.at(i);
        if (c.isDigit()) {
            qsizetype end = i;
            while (end < n && version.at(end).isDigit())
                ++end;
            qsizetype start = i;
            while (start < end - 1 && version.at(start) == u'0')
                ++start;
            parts.append({true, version.sliced(start, end - start)});
            i = end;
        } else if (c.isLetter()) {
            qsizetype end = i;
            while (end < n && version.at(end).isLetter())
                ++end;
            parts.append({false, version.sliced(i, end - i)});
            i = end;
        } else {
            // Full stops, dashes, pluses, spaces: they only separate parts.
            ++i;
        }
    }
    return parts;
}

// Digit runs of any length, so a date-like build number cannot overflow.
int compareNumbers(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

bool isZero(QStringView digits)
{
    return digits == u"0";
}

} // namespace

namespace VersionComparator {

int compare(QStringView a, QStringView b)
{
    const QList<Part> left = split(a);
    const QList<Part> right = split(b);
    const qsizetype count = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < count; ++i) {
        const bool hasLeft = i < left.size();
        const bool hasRight = i < right.size();
        if (hasLeft && hasRight) {
            const Part &l = left.at(i);
            const Part &r = right.at(i);
            if (l.isNumber && r.isNumber) {
                if (const int c = compareNumbers(l.text, r.text); c != 0)
                    return c < 0 ? -1 : 1;
            } else if (l.isNumber != r.isNumber) {
                // "1.0.1" against "1.0b1": the release line goes on, the other is a
                // pre-release.
                return l.isNumber ? 1 : -1;
            } else if (const int c = l.text.compare(r.text, Qt::CaseInsensitive); c != 0) {
                return c < 0 ? -1 : 1;
            }
            continue;
        }
        // One version has ended: a number beyond it counts against zero, a word makes the
        // longer one a pre-release of the shorter.
        const Part &rest = hasLeft ? left.at(i) : right.at(i);
        const int longerIsNewer = hasLeft ? 1 : -1;
        if (rest.isNumber) {
            if (!isZero(rest.text))
                return longerIsNewer;
        } else {
            return -longerIsNewer;
        }
    }
    return 0;
}

} // namespace VersionComparator
