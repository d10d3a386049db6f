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

// How many hits a search answer holds: the size of its "results" array when every entry is
// an object. Nothing for a body that is no JSON object with such an array. Looser than
// decodeResults, for a connection test: it asks whether the instance answers in SearXNG's
// JSON at all, and a hit without a title does not make it a broken instance.
std::optional<qsizetype> resultCount(const QByteArray &body);

} // namespace SearxngProtocol
