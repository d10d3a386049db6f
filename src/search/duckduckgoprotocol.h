#pragma once

#include "search/searchresult.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>
#include <utility>

// What velm sends to and reads from the DuckDuckGo Instant Answer API.
namespace DuckDuckGoProtocol {

// The public endpoint.
QUrl defaultEndpoint();

// "<endpoint>?q=…&format=json&no_html=1&skip_disambig=1"; empty when the endpoint is no
// http(s) address with a host.
QUrl queryURL(const QUrl &endpoint, const QString &query);

// The hits of an instant answer: the abstract first (titled with the heading, or with
// `query` when there is none), then related topics, at most five in all. Topic groups are
// skipped. Nothing when the body is not an instant-answer JSON object.
std::optional<QList<SearchResult>> decodeResults(const QByteArray &body, const QString &query);

// Title and snippet of a related topic's "Text": the parts before and after its first
// " - ", or the whole text twice when it does not fall into two non-empty parts.
std::pair<QString, QString> splitTopicText(const QString &text);

} // namespace DuckDuckGoProtocol
