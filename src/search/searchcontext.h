#pragma once

#include "search/searchresult.h"

#include <QList>
#include <QString>

namespace WebSearch {

// The numbered block of hits that goes to the model after the callers' own lead text:
// "[1] title\nSource: url\nsnippet", entries separated by a line of three hyphens. Hits
// without a snippet say "(no excerpt)" so the model does not read the next entry as one.
QString formatSearchContext(const QList<SearchResult> &results);

} // namespace WebSearch
