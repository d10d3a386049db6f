#pragma once

#include "support/fakehttpserver.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>

// A SearXNG instance on loopback that answers GET <mount path>/search?format=json the way a
// real one does: the hits under "results", each with "url", "title", "content", "engine",
// "parsed_url", "score" and so on, next to "query", "number_of_results", "answers",
// "corrections", "infoboxes", "suggestions" and "unresponsive_engines".
class FakeSearxngServer : public FakeHttpServer
{
    Q_OBJECT

public:
    explicit FakeSearxngServer(QObject *parent = nullptr);

    // One result object; without `content` the key is left out, as some engines do.
    static QJsonObject result(const QString &title, const QString &url,
                              const std::optional<QString> &content = std::nullopt);
    // `count` results titled "Result 1" … with URLs https://example<n>.org/page.
    static QJsonArray numberedResults(int count);
    // The whole JSON body for `query`.
    static QByteArray body(const QString &query, const QJsonArray &results);

    // Answer searches under `mountPath` ("" or "/searx") with these results, echoing each
    // request's query back as SearXNG does.
    void serveResults(const QJsonArray &results, const QString &mountPath = QString());
    // Answer searches with these results only after `delayMs`: a search still under way.
    void serveResultsAfter(int delayMs, const QJsonArray &results = {});
    // Answer searches under `mountPath` with this response instead.
    void serveResponse(const FakeResponse &response, const QString &mountPath = QString());
};
