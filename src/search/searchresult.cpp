#include "search/searchresult.h"

SearchResult SearchResult::create(QString title, QString url, QString snippet)
{
    return {QUuid::createUuid(), std::move(title), std::move(url), std::move(snippet)};
}
