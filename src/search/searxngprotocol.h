#pragma once

#include "search/searchresult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// What velm sends to and reads from a SearXNG instance's JSON search endpoint.
namespace SearxngProtocol {

// "<base>/search?q=…&format=json&categories=general". A base mounted under a sub-path
// ("https://example.org/searx/") keeps it: ".../searx/search". Returns an empty URL when
// the base is no http(s) address with a host.
QUrl searchURL(const QString &baseAddress, const QString &query);

// The first hits of a search answer, in the server's order. An answer that is not a JSON
// object with a "results" array, or with a result lacking its "title" or "url", gives
// nothing at all: such a server is not a working SearXNG.
std::optional<QList<SearchResult>> decodeResults(const QByteArray &body);

} // namespace SearxngProtocol
