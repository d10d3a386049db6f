#include "markdown/mdspan.h"

#include <QDebug>

QDebug operator<<(QDebug debug, const MDSpan &span)
{
    static constexpr const char *names[]
        = {"plain", "bold", "italic", "boldItalic", "code", "math", "link"};
    const QDebugStateSaver saver(debug);
    debug.nospace() << names[int(span.kind())] << '(' << span.text();
    if (span.kind() == MDSpan::Kind::Link)
        debug << ", " << span.url();
    debug << ')';
    return debug;
}
