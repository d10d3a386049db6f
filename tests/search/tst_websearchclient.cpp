#include "formitems.h"
#include "search/websearchclient.h"
#include "support/awaittask.h"
#include "support/fakeduckduckgoserver.h"
#include "support/fakesearxngserver.h"
#include "support/loopback.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

QStringList titles(const QList<SearchResult> &results)
{
    QStringList list;
    for (const SearchResult &result : results)
        list.append(result.title);
    return list;
}

// The query items of a request as the service received them.
FormItems requestItems(const FakeRequest &request)
{
    return formItems(request.target.mid(request.target.indexOf('?') + 1));
}

const QStringList instantTitles{u"Ada"_s, u"Topic 1"_s, u"Topic 2"_s};

FakeDuckDuckGoServer::Answer instantAnswer()
{
    return {u"Ada"_s, u"Ada Lovelace was a mathematician."_s,
            u"https://en.wikipedia.org/wiki/Ada_Lovelace"_s,
            FakeDuckDuckGoServer::numberedTopics(2)};
}

// Both services on loopback, and a client that falls back to the fake instant answers.
struct Services
{
    FakeSearxngServer searxng;
    FakeDuckDuckGoServer instant;
    QNetworkAccessManager network;
    WebSearchClient client{&network};

    // A service that never answers gives up after two seconds rather than eight.
    bool listen()
    {
        if (!searxng.listen() || !instant.listen())
            return false;
        client.setDuckDuckGoEndpoint(instant.url(u"/"_s));
        client.setRequestTimeout(2s);
        return true;
    }
};

} // namespace

class TestWebSearchClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void searxngHits()
    {
        Services services;
        QVERIFY(services.listen());
        auto &[searxng, instant, network, client] = services;
        searxng.serveResults(FakeSearxngServer::numberedResults(7));
        instant.serveAnswer(instantAnswer());

        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"rust"_s, searxng.url().toString()));
        QVERIFY(results);
        QCOMPARE(titles(*results),
                 (QStringList{u"Result 1"_s, u"Result 2"_s, u"Result 3"_s, u"Result 4"_s,
                              u"Result 5"_s}));
        QCOMPARE(results->at(0).url, u"https://example1.org/page"_s);
        QCOMPARE(results->at(0).snippet, u"Snippet 1"_s);
        QCOMPARE(instant.requests().size(), 0);

        QCOMPARE(searxng.requests().size(), 1);
        const FakeRequest request = searxng.requests().constFirst();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path(), u"/search"_s);
        QCOMPARE(request.headers.value("accept"), QByteArray("application/json"));
        QCOMPARE(requestItems(request),
                 (FormItems{{u"q"_s, u"rust"_s},
                            {u"format"_s, u"json"_s},
                            {u"categories"_s, u"general"_s}}));
    }

    // A connection test counts every hit, also beyond the few a question uses and those a
    // question could not use, and tells a dead instance from one that answers wrongly.
    void checkSearXNG_data()
    {
        QTest::addColumn<QString>("scenario");
        QTest::addColumn<SearchError>("error");
        QTest::addColumn<int>("count");

        QTest::newRow("seven hits") << u"hits"_s << SearchError::None << 7;
        QTest::newRow("a hit without a title") << u"untitled"_s << SearchError::None << 1;
        QTest::newRow("no hits") << u"none"_s << SearchError::None << 0;
        QTest::newRow("html page") << u"html"_s << SearchError::Undecodable << 0;
        QTest::newRow("json disabled: 403") << u"403"_s << SearchError::BadResponse << 0;
        QTest::newRow("nothing listens") << u"dead"_s << SearchError::Unreachable << 0;
        QTest::newRow("no http address") << u"file"_s << SearchError::InvalidAddress << 0;
    }

    void checkSearXNG()
    {
        QFETCH(QString, scenario);
        QFETCH(SearchError, error);
        QFETCH(int, count);

        FakeSearxngServer searxng;
        QVERIFY(searxng.listen());
        QString base = searxng.url(u"/searx/"_s).toString();
        const QString mount = u"/searx"_s;
        if (scenario == u"hits")
            searxng.serveResults(FakeSearxngServer::numberedResults(7), mount);
        else if (scenario == u"untitled")
            searxng.serveResults({QJsonObject{{u"url"_s, u"https://a.org"_s}}}, mount);
        else if (scenario == u"none")
            searxng.serveResults({}, mount);
        else if (scenario == u"html")
            searxng.serveResponse(FakeResponse::text("<html>SearXNG</html>", 200, "text/html"),
                                  mount);
        else if (scenario == u"403")
            searxng.serveResponse(FakeResponse::json(FakeSearxngServer::body(u"test"_s, {}), 403),
                                  mount);
        else if (scenario == u"dead")
            base = Loopback::closedAddress();
        else if (scenario == u"file")
            base = u"file:///etc"_s;

        QNetworkAccessManager network;
        const WebSearchClient client(&network);
        const auto check = TestSupport::awaitTask(client.checkSearXNG(u"test"_s, base));
        QVERIFY(check);
        QCOMPARE(check->error, error);
        QCOMPARE(check->failed(), error != SearchError::None);
        QCOMPARE(check->resultCount, count);
        if (!searxng.requests().isEmpty()) {
            QCOMPARE(searxng.requests().constFirst().path(), u"/searx/search"_s);
            QCOMPARE(requestItems(searxng.requests().constFirst()).value(0).second, u"test"_s);
        }
    }

    // Whatever goes wrong with the instance, or when it finds nothing, the instant answers
    // are asked.
    void fallback_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QString>("base"); // empty: the fake instance; %1: its port

        const FakeResponse hits = FakeResponse::json(
            FakeSearxngServer::body(u"q"_s, FakeSearxngServer::numberedResults(5)));
        FakeResponse dropped = hits;
        dropped.dropAfterBytes = 40;
        FakeResponse slow = hits;
        slow.delayBeforeHeadMs = 60000;
        const QJsonArray huge{FakeSearxngServer::result(u"Huge"_s, u"https://a.org"_s,
                                                        QString(9 * 1024 * 1024, u'x'))};
        QTest::newRow("json output disabled (403)")
            << FakeResponse::text("<html>Forbidden</html>", 403, "text/html") << QString();
        QTest::newRow("no results")
            << FakeResponse::json(FakeSearxngServer::body(u"q"_s, {})) << QString();
        QTest::newRow("html page")
            << FakeResponse::text("<html>SearXNG</html>", 200, "text/html") << QString();
        QTest::newRow("body over the limit")
            << FakeResponse::json(FakeSearxngServer::body(u"q"_s, huge)) << QString();
        QTest::newRow("connection dropped") << dropped << QString();
        QTest::newRow("nothing listening") << hits << Loopback::closedAddress();
        QTest::newRow("too slow") << slow << QString();
        QTest::newRow("address makes no URL") << hits << u"http://local host:%1"_s;
    }

    void fallback()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QString, base);

        Services services;
        QVERIFY(services.listen());
        auto &[searxng, instant, network, client] = services;
        searxng.serveResponse(response);
        instant.serveAnswer(instantAnswer());
        if (base.isEmpty())
            base = searxng.url().toString();
        base.replace(u"%1"_s, QString::number(searxng.port()));

        const auto results = TestSupport::awaitTask(client.searchWeb(u"ada"_s, base));
        QVERIFY(results);
        QCOMPARE(titles(*results), instantTitles);
        QCOMPARE(instant.requests().size(), 1);
        QCOMPARE(instant.requests().constFirst().headers.value("accept"),
                 QByteArray("application/json"));
    }

    // When the instant answers fail too, the question goes out without web context, and
    // in time.
    void bothFail_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QString>("endpoint"); // empty: the fake service

        const FakeResponse answer = FakeResponse::json(FakeDuckDuckGoServer::body(instantAnswer()));
        FakeResponse dropped = answer;
        dropped.dropAfterBytes = 30;
        FakeResponse slow = answer;
        slow.delayBeforeHeadMs = 60000;
        QTest::newRow("status 503") << FakeResponse::text("busy", 503) << QString();
        QTest::newRow("html page")
            << FakeResponse::text("<html>blocked</html>", 200, "text/html") << QString();
        QTest::newRow("connection dropped") << dropped << QString();
        QTest::newRow("connection refused") << answer << Loopback::closedAddress() + u'/';
        QTest::newRow("too slow") << slow << QString();
        QTest::newRow("unusable endpoint") << answer << u"file:///etc/hostname"_s;
    }

    void bothFail()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QString, endpoint);

        Services services;
        QVERIFY(services.listen());
        auto &[searxng, instant, network, client] = services;
        searxng.serveResponse(FakeResponse::text("Forbidden", 403));
        instant.serveResponse(response);
        if (!endpoint.isEmpty())
            client.setDuckDuckGoEndpoint(QUrl(endpoint));

        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"ada"_s, searxng.url().toString()));
        QVERIFY(results);
        QVERIFY(results->isEmpty());
        QCOMPARE(searxng.requests().size(), 1);
        QCOMPARE(instant.requests().size(), endpoint.isEmpty() ? 1 : 0);
    }

    void endpointFromEnvironment()
    {
        FakeDuckDuckGoServer instant;
        QVERIFY(instant.listen());
        instant.serveAnswer(instantAnswer());

        QNetworkAccessManager network;
        qputenv("VELM_DUCKDUCKGO_URL", instant.url(u"/"_s).toEncoded());
        const WebSearchClient client(&network);
        qunsetenv("VELM_DUCKDUCKGO_URL");
        QCOMPARE(client.duckDuckGoEndpoint(), instant.url(u"/"_s));
        QCOMPARE(WebSearchClient(&network).duckDuckGoEndpoint(),
                 QUrl(u"https://api.duckduckgo.com/"_s));

        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"ada"_s, Loopback::closedAddress()));
        QVERIFY(results);
        QCOMPARE(titles(*results), instantTitles);
    }

    // A stopped question must not wait for a slow instance, nor ask the fallback.
    void cancelWhileWaiting()
    {
        Services services;
        QVERIFY(services.listen());
        auto &[searxng, instant, network, client] = services;
        FakeResponse slow = FakeResponse::json(
            FakeSearxngServer::body(u"q"_s, FakeSearxngServer::numberedResults(5)));
        slow.delayBeforeHeadMs = 60000;
        searxng.serveResponse(slow);
        instant.serveAnswer(instantAnswer());

        const CancellationToken cancel;
        connect(&searxng, &FakeHttpServer::requestReceived, this, [cancel] { cancel.cancel(); });
        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"ada"_s, searxng.url().toString(), cancel));
        QVERIFY(results);
        QVERIFY(results->isEmpty());
        QCOMPARE(searxng.requests().size(), 1);
        QCOMPARE(instant.requests().size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(searxng.openConnections(), 0, 5000);
    }

    void cancelledBeforeStart()
    {
        Services services;
        QVERIFY(services.listen());
        auto &[searxng, instant, network, client] = services;
        searxng.serveResults(FakeSearxngServer::numberedResults(2));
        instant.serveAnswer(instantAnswer());

        const CancellationToken cancel;
        cancel.cancel();
        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"ada"_s, searxng.url().toString(), cancel));
        QVERIFY(results);
        QVERIFY(results->isEmpty());
        QCOMPARE(searxng.requests().size(), 0);
        QCOMPARE(instant.requests().size(), 0);
    }

    void networkManagerGone()
    {
        FakeSearxngServer searxng;
        QVERIFY(searxng.listen());
        searxng.serveResults(FakeSearxngServer::numberedResults(2));

        auto *network = new QNetworkAccessManager;
        const WebSearchClient client(network);
        delete network;
        const auto results
            = TestSupport::awaitTask(client.searchWeb(u"ada"_s, searxng.url().toString()));
        QVERIFY(results);
        QVERIFY(results->isEmpty());
        QCOMPARE(searxng.requests().size(), 0);
    }
};

VELM_TEST_MAIN(TestWebSearchClient)
#include "tst_websearchclient.moc"
