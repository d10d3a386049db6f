#pragma once

#include "markdown/mdspan.h"

#include <QSharedData>
#include <QString>
#include <QStringView>

// The storage behind the blocks of one parse. Blocks and spans are ranges into the parsed
// answer itself (shared, not copied) or, for the few texts that are no slice of it (lines
// joined with spaces, tabs expanded), into one extra string. A parse of a long answer thus
// costs a handful of allocations instead of one per span, which matters when the answer is
// parsed again on every streaming pulse.
struct MDSource : public QSharedData
{
    // Offsets are 32-bit to keep blocks small; the parser caps its input accordingly.
    struct Range
    {
        qint32 begin = 0;
        qint32 length = 0;
    };

    struct Span
    {
        Range text;
        // A link's URL follows its text after "](" in the same string.
        qint32 urlLength = 0;
        MDSpan::Kind kind = MDSpan::Kind::Plain;
    };

    QStringView view(Range range, bool inExtra) const
    {
        return QStringView(inExtra ? extra : text).sliced(range.begin, range.length);
    }

    QStringView spanText(const Span &span, bool inExtra) const { return view(span.text, inExtra); }

    QStringView spanUrl(const Span &span, bool inExtra) const
    {
        return view({span.text.begin + span.text.length + 2, span.urlLength}, inExtra);
    }

    QString text;
    QString extra;
    QList<Span> spans;
};

Q_DECLARE_TYPEINFO(MDSource::Range, Q_PRIMITIVE_TYPE);
Q_DECLARE_TYPEINFO(MDSource::Span, Q_PRIMITIVE_TYPE);
