#include "search/searchcontext.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace WebSearch {

QString formatSearchContext(const QList<SearchResult> &results)
{
    QStringList entries;
    entries.reserve(results.size());
    for (qsizetype i = 0; i < results.size(); ++i) {
        const SearchResult &hit = results.at(i);
        const QString snippet
            = hit.snippet.isEmpty() ? QStringLiteral("(no excerpt)") : hit.snippet;
        entries.append(u'[' + QString::number(i + 1) + u"] "_s + hit.title + u"\nSource: "_s
                       + hit.url + u'\n' + snippet);
    }
    return entries.join(QStringLiteral("\n\n---\n\n"));
}

} // namespace WebSearch
