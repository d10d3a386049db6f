#include "main_window/faviconloader.h"
#include "main_window/sourcecard.h"
#include "main_window/sourcesrow.h"
#include "support/fakehttpserver.h"
#include "support/openedurls.h"
#include "support/testregistry.h"

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Rows that never fetch an icon.
FaviconLoader *const noFavicons = nullptr;

QList<SearchResult> sources(const QStringList &urls)
{
    QList<SearchResult> result;
    for (const QString &url : urls)
        result.append(SearchResult::create(u"Page at "_s + url, url, QString()));
    return result;
}

// A solid red icon in the .ico format the favicon service sends.
QByteArray redIcon()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "ico");
    if (!writer.write(image))
        return {};
    return data;
}

} // namespace

class TestSourceCards : public QObject
{
    Q_OBJECT

public:
    // Hover springs jump to their end, so every state is immediate.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void displayHost_data();
    void displayHost();
    void cardsAreNumberedInListOrder();
    void clickOpensOnlyWebPages_data();
    void clickOpensOnlyWebPages();
    void faviconsAreFetchedOncePerHost();
};

void TestSourceCards::displayHost_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("host");

    QTest::newRow("www dropped") << u"https://www.example.com/a?b=c"_s << u"example.com"_s;
    QTest::newRow("www alone") << u"https://www./page"_s << QString();
    QTest::newRow("www inside") << u"https://mirror.www.example.org"_s
                                << u"mirror.www.example.org"_s;
    QTest::newRow("no dot after www") << u"https://wwwexample.com"_s << u"wwwexample.com"_s;
    QTest::newRow("unparsable") << u"not a url"_s << u"not a url"_s;
    QTest::newRow("no host, with scheme")
        << u"mailto:someone@example.com"_s << u"mailto:someone@example.com"_s;
}

void TestSourceCards::displayHost()
{
    QFETCH(QString, url);
    QFETCH(QString, host);
    QCOMPARE(::displayHost(url), host);
}

void TestSourceCards::cardsAreNumberedInListOrder()
{
    const QList<SearchResult> list
        = sources({u"https://b.example/"_s, u"https://a.example/"_s, u"https://c.example/"_s});
    SourcesRow row(list, noFavicons);
    row.resize(700, row.heightForWidth(700));
    row.show();

    const QList<SourceCard *> cards = row.findChildren<SourceCard *>();
    QCOMPARE(cards.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(row.cards().at(i)->index(), i + 1);
        QCOMPARE(row.cards().at(i)->source(), list.at(i));
        QCOMPARE(row.cards().at(i)->toolTip(), list.at(i).url);
    }
}

void TestSourceCards::clickOpensOnlyWebPages_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QString>("opened");

    QTest::newRow("https") << u"https://www.example.com/a b"_s
                           << u"https://www.example.com/a%20b"_s;
    QTest::newRow("upper-case scheme") << u"HTTPS://example.com/x"_s << u"https://example.com/x"_s;
    QTest::newRow("unparsable") << u"not a url"_s << QString();
    QTest::newRow("javascript") << u"javascript:alert(1)"_s << QString();
    QTest::newRow("file") << u"file:///etc/passwd"_s << QString();
    QTest::newRow("web scheme without host") << u"https:///path"_s << QString();
}

void TestSourceCards::clickOpensOnlyWebPages()
{
    QFETCH(QString, url);
    QFETCH(QString, opened);

    OpenedUrls urls({u"http"_s, u"https"_s, u"file"_s, u"javascript"_s, u"mailto"_s});
    SourcesRow row(sources({url}), noFavicons);
    row.resize(400, row.heightForWidth(400));
    row.show();
    QVERIFY(QTest::qWaitForWindowExposed(&row));

    QTest::mouseClick(row.cards().first(), Qt::LeftButton);
    QCOMPARE(urls.urls, opened.isEmpty() ? QList<QUrl>() : QList<QUrl>{QUrl(opened)});
}

void TestSourceCards::faviconsAreFetchedOncePerHost()
{
    FakeHttpServer server;
    QVERIFY(server.listen());
    server.route("GET", u"/ip3/example.org.ico"_s,
                 FakeResponse::text(redIcon(), 200, QByteArrayLiteral("image/x-icon")));
    server.route("GET", u"/ip3/broken.example.ico"_s,
                 FakeResponse::text(QByteArrayLiteral("not an image"), 200));
    qputenv("VELM_FAVICON_URL", (server.url().toString() + u"/"_s).toUtf8());
    FaviconLoader favicons;
    qunsetenv("VELM_FAVICON_URL");

    const QStringList urls{u"https://example.org/a"_s,
                           u"https://www.example.org/b"_s,
                           u"https://missing.example/"_s,
                           u"https://broken.example/"_s,
                           u"not a url"_s,
                           u"https://www./"_s};
    QSignalSpy failed(&favicons, &FaviconLoader::iconFailed);
    SourcesRow first(sources(urls), &favicons);
    first.resize(700, first.heightForWidth(700));
    // Nothing is fetched for cards that were never on screen.
    QCOMPARE(server.requests().size(), 0);
    first.show();
    QTRY_VERIFY_WITH_TIMEOUT(first.cards().at(1)->showsFavicon() && failed.size() == 2, 10000);
    QVERIFY(first.cards().at(0)->showsFavicon());
    for (int i = 2; i < urls.size(); ++i)
        QVERIFY2(!first.cards().at(i)->showsFavicon(), qPrintable(urls.at(i)));

    // A later answer with the same sites asks for nothing, also not for the ones that failed.
    SourcesRow second(sources(urls), &favicons);
    second.resize(700, second.heightForWidth(700));
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QVERIFY(second.cards().at(0)->showsFavicon());
    QVERIFY(!second.cards().at(2)->showsFavicon());
    for (const QString &host : {u"example.org"_s, u"missing.example"_s, u"broken.example"_s})
        QVERIFY2(!favicons.isLoading(host), qPrintable(host));

    QStringList requested;
    for (const FakeRequest &request : server.requests())
        requested.append(request.path());
    requested.sort();
    QCOMPARE(requested,
             (QStringList{u"/ip3/broken.example.ico"_s, u"/ip3/example.org.ico"_s,
                          u"/ip3/missing.example.ico"_s}));
}

VELM_TEST_MAIN(TestSourceCards)

#include "tst_sourcecards.moc"
