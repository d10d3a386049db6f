#pragma once

#include <QList>
#include <QString>
#include <QUrl>

#include <utility>

namespace WebSearch {

// The most hits a provider hands on; more only dilute the model's context.
constexpr qsizetype maxResults = 5;

// `url` with its query replaced by `items`, in order. Every character outside the
// unreserved set is percent-encoded, "+" included: search services read a bare "+" as a
// blank, which would turn "c++" into "c  ". Returns an empty URL unless `url` is a valid
// http or https address with a host, so nothing else (a file, a custom scheme) is fetched.
QUrl withQueryItems(QUrl url, const QList<std::pair<QString, QString>> &items);

} // namespace WebSearch
