#pragma once

#include "search/searcherror.h"
#include "search/searchresult.h"

#include <QList>

// What one provider returned. A failed search carries no hits; an empty list without an
// error means the provider answered and found nothing.
struct SearchOutcome
{
    QList<SearchResult> results;
    SearchError error = SearchError::None;

    bool failed() const { return error != SearchError::None; }
};
