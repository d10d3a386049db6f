#pragma once

#include "search/searcherror.h"

#include <QtGlobal>

// What a SearXNG instance answered to a test search: how many hits it found, or why it did
// not answer like SearXNG at all.
struct SearxngCheck
{
    SearchError error = SearchError::None;
    // Every hit of the answer, not only the few a question would use.
    qsizetype resultCount = 0;

    bool failed() const { return error != SearchError::None; }
};
