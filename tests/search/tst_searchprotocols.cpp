#include "formitems.h"
#include "search/duckduckgoprotocol.h"
#include "search/searxngconfig.h"
#include "search/searxngprotocol.h"
#include "support/fakeduckduckgoserver.h"
#include "support/fakesearxngserver.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSearchProtocols : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void baseURL_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("https");
        QTest::addColumn<QString>("expected");

        QTest::newRow("defaults") << u"localhost"_s << u"8080"_s << false
                                  << u"http://localhost:8080"_s;
        QTest::newRow("trimmed, https") << u"  search.example.org \n"_s << u" 443\t"_s << true
                                        << u"https://search.example.org:443"_s;
        QTest::newRow("blank port") << u"localhost"_s << u"  "_s << false << u"http://localhost"_s;
        QTest::newRow("host with scheme and sub-path")
            << u"https://example.org/searx"_s << QString() << false
            << u"https://example.org/searx"_s;
        QTest::newRow("port goes before the sub-path")
            << u"example.org/searx/"_s << u"8888"_s << false << u"http://example.org:8888/searx/"_s;
        QTest::newRow("host names its own port")
            << u"localhost:8888"_s << u"8080"_s << false << u"http://localhost:8888"_s;
        QTest::newRow("bare IPv6") << u"::1"_s << u"8080"_s << false << u"http://[::1]:8080"_s;
        QTest::newRow("bracketed IPv6 with port")
            << u"[::1]:9000"_s << u"8080"_s << false << u"http://[::1]:9000"_s;
        QTest::newRow("empty host") << QString() << u"8080"_s << false << u"http://:8080"_s;
    }

    void baseURL()
    {
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(bool, https);
        QFETCH(QString, expected);
        QCOMPARE((SearxngConfig{host, port, https}.baseURL()), expected);
    }

    void searxngURL_data()
    {
        QTest::addColumn<QString>("base");
        QTest::addColumn<QString>("expected");

        const QString query = u"?q=rust&format=json&categories=general"_s;
        QTest::newRow("no path") << u"http://localhost:8080"_s
                                 << u"http://localhost:8080/search"_s + query;
        QTest::newRow("root path")
            << u"http://localhost:8080/"_s << u"http://localhost:8080/search"_s + query;
        QTest::newRow("https with sub-path")
            << u"https://example.org/searx/"_s << u"https://example.org/searx/search"_s + query;
        QTest::newRow("doubled slashes")
            << u"https://example.org//searx//"_s << u"https://example.org/searx/search"_s + query;
        QTest::newRow("own query and fragment replaced")
            << u"http://h/?x=1#top"_s << u"http://h/search"_s + query;

        QTest::newRow("blank inside host") << u"http://local host:8080"_s << QString();
        QTest::newRow("no host") << u"http://"_s << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no scheme") << u"localhost:8080"_s << QString();
        QTest::newRow("file") << u"file:///etc/passwd"_s << QString();
    }

    void searxngURL()
    {
        QFETCH(QString, base);
        QFETCH(QString, expected);
        const QUrl url = SearxngProtocol::searchURL(base, u"rust"_s);
        QCOMPARE(url.toString(QUrl::FullyEncoded), expected);
    }

    void queryEncoding_data()
    {
        QTest::addColumn<QString>("query");
        QTest::newRow("plus signs") << u"c++ vs c#"_s;
        QTest::newRow("delimiters") << u"a&b=c?d/e#f"_s;
        QTest::newRow("percent") << u"100% of 50%25"_s;
        QTest::newRow("unicode") << u"Zürich – 東京 \U0001F600"_s;
        QTest::newRow("line break and blanks") << u"  two\nlines "_s;
        QTest::newRow("empty") << QString();
    }

    // Both services must receive the text exactly as typed, in the documented order.
    void queryEncoding()
    {
        QFETCH(QString, query);
        const QUrl searxng = SearxngProtocol::searchURL(u"http://localhost:8080"_s, query);
        QCOMPARE(formItems(searxng.query(QUrl::FullyEncoded).toLatin1()),
                 (FormItems{
                     {u"q"_s, query}, {u"format"_s, u"json"_s}, {u"categories"_s, u"general"_s}}));
        const QUrl instant
            = DuckDuckGoProtocol::queryURL(DuckDuckGoProtocol::defaultEndpoint(), query);
        QCOMPARE(formItems(instant.query(QUrl::FullyEncoded).toLatin1()),
                 (FormItems{{u"q"_s, query},
                            {u"format"_s, u"json"_s},
                            {u"no_html"_s, u"1"_s},
                            {u"skip_disambig"_s, u"1"_s}}));
    }

    void duckDuckGoURL()
    {
        QCOMPARE(DuckDuckGoProtocol::queryURL(DuckDuckGoProtocol::defaultEndpoint(), u"ada"_s)
                     .toString(QUrl::FullyEncoded),
                 u"https://api.duckduckgo.com/?q=ada&format=json&no_html=1&skip_disambig=1"_s);
        QVERIFY(DuckDuckGoProtocol::queryURL(QUrl(), u"ada"_s).isEmpty());
        QVERIFY(DuckDuckGoProtocol::queryURL(QUrl(u"file:///tmp/x"_s), u"ada"_s).isEmpty());
    }

    void searxngFields()
    {
        QJsonObject nullContent = FakeSearxngServer::result(u"B"_s, u"https://b.org"_s);
        nullContent.insert(u"content"_s, QJsonValue::Null);
        const QJsonArray array{
            FakeSearxngServer::result(u" A "_s, u"not even a url"_s),
            nullContent,
            FakeSearxngServer::result(u" A "_s, u"not even a url"_s, u" same "_s),
        };
        const auto results = SearxngProtocol::decodeResults(FakeSearxngServer::body(u"q"_s, array));
        QVERIFY(results);
        QCOMPARE(results->size(), 3);
        QCOMPARE(results->at(0).title, u" A "_s);
        QCOMPARE(results->at(0).url, u"not even a url"_s);
        QCOMPARE(results->at(0).snippet, QString());
        QCOMPARE(results->at(1).snippet, QString());
        QCOMPARE(results->at(2).snippet, u" same "_s);
        QVERIFY(results->at(0).id != results->at(2).id);

        const auto empty = SearxngProtocol::decodeResults(FakeSearxngServer::body(u"q"_s, {}));
        QVERIFY(empty);
        QVERIFY(empty->isEmpty());
    }

    void searxngUndecodable_data()
    {
        QTest::addColumn<QByteArray>("body");

        QJsonArray missingURL = FakeSearxngServer::numberedResults(9);
        QJsonObject broken = missingURL.at(7).toObject();
        broken.remove(u"url"_s);
        missingURL[7] = broken;
        QTest::newRow("a late result without url") << FakeSearxngServer::body(u"q"_s, missingURL);
        QJsonArray missingTitle = FakeSearxngServer::numberedResults(2);
        QJsonObject untitled = missingTitle.at(0).toObject();
        untitled.insert(u"title"_s, QJsonValue::Null);
        missingTitle[0] = untitled;
        QTest::newRow("null title") << FakeSearxngServer::body(u"q"_s, missingTitle);
        QJsonArray numericContent = FakeSearxngServer::numberedResults(1);
        QJsonObject numeric = numericContent.at(0).toObject();
        numeric.insert(u"content"_s, 5);
        numericContent[0] = numeric;
        QTest::newRow("content not text") << FakeSearxngServer::body(u"q"_s, numericContent);
        QTest::newRow("no results key") << QByteArray(R"({"query":"q","answers":[]})");
        QTest::newRow("results not an array") << QByteArray(R"({"results":{"title":"a"}})");
        QTest::newRow("result not an object") << QByteArray(R"({"results":["a"]})");
        QTest::newRow("top-level array") << QByteArray(R"([{"results":[]}])");
        QTest::newRow("html") << QByteArray("<!DOCTYPE html><html><body>403</body></html>");
        QTest::newRow("cut off")
            << FakeSearxngServer::body(u"q"_s, FakeSearxngServer::numberedResults(3)).left(80);
    }

    void searxngUndecodable()
    {
        QFETCH(QByteArray, body);
        QVERIFY(!SearxngProtocol::decodeResults(body));
    }

    void duckDuckGo_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QStringList>("snippets");

        using Answer = FakeDuckDuckGoServer::Answer;
        const QString abstract = u"Ada Lovelace was an English mathematician."_s;
        const QString wiki = u"https://en.wikipedia.org/wiki/Ada_Lovelace"_s;

        QTest::newRow("abstract without heading")
            << FakeDuckDuckGoServer::body(Answer{std::nullopt, abstract, wiki, {}})
            << QStringList{u"the query"_s} << QStringList{wiki} << QStringList{abstract};
        QTest::newRow("empty heading kept")
            << FakeDuckDuckGoServer::body(Answer{QString(), abstract, wiki, {}})
            << QStringList{QString()} << QStringList{wiki} << QStringList{abstract};
        QTest::newRow("abstract without url")
            << FakeDuckDuckGoServer::body(Answer{u"Ada"_s, abstract, QString(), {}})
            << QStringList() << QStringList() << QStringList();
        QTest::newRow("nothing") << FakeDuckDuckGoServer::body(Answer{}) << QStringList()
                                 << QStringList() << QStringList();
        QTest::newRow("empty object")
            << QByteArray("{}") << QStringList() << QStringList() << QStringList();

        QTest::newRow("abstract and seven topics")
            << FakeDuckDuckGoServer::body(
                   Answer{u"Ada"_s, abstract, wiki, FakeDuckDuckGoServer::numberedTopics(7)})
            << QStringList{u"Ada"_s, u"Topic 1"_s, u"Topic 2"_s, u"Topic 3"_s, u"Topic 4"_s}
            << QStringList{wiki, u"https://duckduckgo.com/Topic_1"_s,
                           u"https://duckduckgo.com/Topic_2"_s, u"https://duckduckgo.com/Topic_3"_s,
                           u"https://duckduckgo.com/Topic_4"_s}
            << QStringList{abstract, u"about 1"_s, u"about 2"_s, u"about 3"_s, u"about 4"_s};
        QTest::newRow("seven topics")
            << FakeDuckDuckGoServer::body(
                   Answer{u"Ada"_s, QString(), QString(), FakeDuckDuckGoServer::numberedTopics(7)})
            << QStringList{u"Topic 1"_s, u"Topic 2"_s, u"Topic 3"_s, u"Topic 4"_s, u"Topic 5"_s}
            << QStringList{u"https://duckduckgo.com/Topic_1"_s, u"https://duckduckgo.com/Topic_2"_s,
                           u"https://duckduckgo.com/Topic_3"_s, u"https://duckduckgo.com/Topic_4"_s,
                           u"https://duckduckgo.com/Topic_5"_s}
            << QStringList{u"about 1"_s, u"about 2"_s, u"about 3"_s, u"about 4"_s, u"about 5"_s};

        // Groups are skipped, with the topics inside them; so are topics missing a field.
        QJsonObject noURL = FakeDuckDuckGoServer::topic(u"No url - at all"_s, QString());
        QJsonObject noText = FakeDuckDuckGoServer::topic(QString(), u"https://duckduckgo.com/x"_s);
        noText.remove(u"Text"_s);
        const QJsonArray mixed{
            FakeDuckDuckGoServer::topic(u"Ada - the mathematician"_s, u"https://d.com/A"_s),
            FakeDuckDuckGoServer::group(u"People"_s, FakeDuckDuckGoServer::numberedTopics(3)),
            noURL,
            noText,
            FakeDuckDuckGoServer::topic(u"Ada - programming - language - 1980"_s,
                                        u"https://d.com/B"_s),
            FakeDuckDuckGoServer::topic(u"Analytical Engine"_s, u"https://d.com/C"_s),
        };
        QTest::newRow("groups, gaps and splits")
            << FakeDuckDuckGoServer::body(Answer{u"Ada"_s, QString(), QString(), mixed})
            << QStringList{u"Ada"_s, u"Ada"_s, u"Analytical Engine"_s}
            << QStringList{u"https://d.com/A"_s, u"https://d.com/B"_s, u"https://d.com/C"_s}
            << QStringList{u"the mathematician"_s, u"programming - language - 1980"_s,
                           u"Analytical Engine"_s};
    }

    void duckDuckGo()
    {
        QFETCH(QByteArray, body);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, urls);
        QFETCH(QStringList, snippets);

        const auto results = DuckDuckGoProtocol::decodeResults(body, u"the query"_s);
        QVERIFY(results);
        QStringList gotTitles, gotURLs, gotSnippets;
        for (const SearchResult &result : *results) {
            gotTitles << result.title;
            gotURLs << result.url;
            gotSnippets << result.snippet;
            QVERIFY(!result.id.isNull());
        }
        QCOMPARE(gotTitles, titles);
        QCOMPARE(gotURLs, urls);
        QCOMPARE(gotSnippets, snippets);
    }

    void duckDuckGoUndecodable_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("html") << QByteArray("<html><body>Too many requests</body></html>");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("heading not text") << QByteArray(R"({"Heading":5})");
        QTest::newRow("topics not an array") << QByteArray(R"({"RelatedTopics":{"Text":"a"}})");
        QTest::newRow("topic not an object") << QByteArray(R"({"RelatedTopics":["a - b"]})");
        QTest::newRow("topic url not text")
            << QByteArray(R"({"RelatedTopics":[{"Text":"a - b","FirstURL":1}]})");
    }

    void duckDuckGoUndecodable()
    {
        QFETCH(QByteArray, body);
        QVERIFY(!DuckDuckGoProtocol::decodeResults(body, u"q"_s));
    }

    void topicText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("snippet");

        QTest::newRow("two parts") << u"Rust - a language"_s << u"Rust"_s << u"a language"_s;
        QTest::newRow("three parts") << u"a - b - c"_s << u"a"_s << u"b - c"_s;
        QTest::newRow("no separator")
            << u"Rust language"_s << u"Rust language"_s << u"Rust language"_s;
        QTest::newRow("hyphen without blanks") << u"x-y - z"_s << u"x-y"_s << u"z"_s;
        QTest::newRow("nothing after") << u"Rust - "_s << u"Rust - "_s << u"Rust - "_s;
        QTest::newRow("nothing before") << u" - a - b"_s << u"a"_s << u"b"_s;
        QTest::newRow("only separator") << u" - "_s << u" - "_s << u" - "_s;
    }

    void topicText()
    {
        QFETCH(QString, text);
        QFETCH(QString, title);
        QFETCH(QString, snippet);
        const auto [gotTitle, gotSnippet] = DuckDuckGoProtocol::splitTopicText(text);
        QCOMPARE(gotTitle, title);
        QCOMPARE(gotSnippet, snippet);
    }
};

VELM_TEST_MAIN(TestSearchProtocols)
#include "tst_searchprotocols.moc"
