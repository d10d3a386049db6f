#include "support/fakesearxngserver.h"

#include <QJsonDocument>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

FakeSearxngServer::FakeSearxngServer(QObject *parent)
    : FakeHttpServer(parent)
{ }

QJsonObject FakeSearxngServer::result(const QString &title, const QString &url,
                                      const std::optional<QString> &content)
{
    const QUrl parsed(url);
    QJsonObject object{
        {u"url"_s, url},
        {u"title"_s, title},
        {u"publishedDate"_s, QJsonValue::Null},
        {u"thumbnail"_s, QJsonValue::Null},
        {u"engine"_s, u"duckduckgo"_s},
        {u"template"_s, u"default.html"_s},
        {u"parsed_url"_s,
         QJsonArray{parsed.scheme(), parsed.host(), parsed.path(), QString(), parsed.query(),
                    parsed.fragment()}},
        {u"img_src"_s, QString()},
        {u"priority"_s, QString()},
        {u"engines"_s, QJsonArray{u"duckduckgo"_s, u"brave"_s}},
        {u"positions"_s, QJsonArray{1, 2}},
        {u"score"_s, 4.0},
        {u"category"_s, u"general"_s},
    };
    if (content)
        object.insert(u"content"_s, *content);
    return object;
}

QJsonArray FakeSearxngServer::numberedResults(int count)
{
    QJsonArray results;
    for (int i = 1; i <= count; ++i) {
        results.append(result(u"Result %1"_s.arg(i), u"https://example%1.org/page"_s.arg(i),
                              u"Snippet %1"_s.arg(i)));
    }
    return results;
}

QByteArray FakeSearxngServer::body(const QString &query, const QJsonArray &results)
{
    const QJsonObject answer{
        {u"query"_s, query},
        {u"number_of_results"_s, 0},
        {u"results"_s, results},
        {u"answers"_s, QJsonArray()},
        {u"corrections"_s, QJsonArray()},
        {u"infoboxes"_s, QJsonArray()},
        {u"suggestions"_s, QJsonArray{query + u" wiki"_s}},
        {u"unresponsive_engines"_s, QJsonArray{QJsonArray{u"wikidata"_s, u"timeout"_s}}},
    };
    return QJsonDocument(answer).toJson(QJsonDocument::Compact);
}

void FakeSearxngServer::serveResults(const QJsonArray &results, const QString &mountPath)
{
    route("GET", mountPath + u"/search"_s, [results](const FakeRequest &request) {
        return FakeResponse::json(
            body(request.query().queryItemValue(u"q"_s, QUrl::FullyDecoded), results));
    });
}

void FakeSearxngServer::serveResultsAfter(int delayMs, const QJsonArray &results)
{
    route("GET", u"/search"_s, [results, delayMs](const FakeRequest &request) {
        FakeResponse response = FakeResponse::json(
            body(request.query().queryItemValue(u"q"_s, QUrl::FullyDecoded), results));
        response.delayBeforeHeadMs = delayMs;
        return response;
    });
}

void FakeSearxngServer::serveResponse(const FakeResponse &response, const QString &mountPath)
{
    route("GET", mountPath + u"/search"_s, response);
}
