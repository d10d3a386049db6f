#include "search/searchmode.h"

namespace WebSearch {

WebSearchMode modeFrom(const QString &text)
{
    if (text == u"always")
        return WebSearchMode::Always;
    if (text == u"auto")
        return WebSearchMode::Auto;
    return WebSearchMode::Never;
}

QString modeName(WebSearchMode mode)
{
    switch (mode) {
    case WebSearchMode::Auto:
        return QStringLiteral("auto");
    case WebSearchMode::Always:
        return QStringLiteral("always");
    case WebSearchMode::Never:
        return QStringLiteral("never");
    }
    Q_UNREACHABLE();
}

} // namespace WebSearch
