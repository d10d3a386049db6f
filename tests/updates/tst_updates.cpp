#include "appcastxml.h"
#include "signingkey.h"
#include "support/testregistry.h"
#include "updates/appcast.h"
#include "updates/updateconfiguration.h"
#include "updates/updatesignature.h"
#include "updates/versioncomparator.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using AppcastXml::releaseItem;
using AppcastXml::rss;

// The configuration check, the feed reader, version order and signatures.
class TestUpdates : public QObject
{
    Q_OBJECT

private:
    SigningKey m_key;

private Q_SLOTS:
    void configuration_data()
    {
        QTest::addColumn<QString>("feed");
        QTest::addColumn<QString>("key");
        QTest::addColumn<bool>("enabled");

        const QString feed = u"https://updates.example.org/velm/appcast.xml"_s;
        const QString key = m_key.publicKeyText();
        QTest::newRow("real values") << feed << key << true;
        QTest::newRow("plain http feed") << u"http://127.0.0.1:8000/appcast.xml"_s << key << true;
        QTest::newRow("key with a trailing new line") << feed << key + u'\n' << true;
        QTest::newRow("placeholder feed")
            << UpdateConfiguration::placeholderFeedUrl() << key << false;
        QTest::newRow("placeholder key")
            << feed << UpdateConfiguration::placeholderPublicKey() << false;
        QTest::newRow("feed not a URL") << u"not a url"_s << key << false;
        QTest::newRow("feed on disk") << u"file:///tmp/appcast.xml"_s << key << false;
        QTest::newRow("empty feed") << QString() << key << false;
        QTest::newRow("key not base64") << feed << u"not*a*key"_s << false;
        QTest::newRow("key too short")
            << feed << QString::fromLatin1(QByteArray(31, 'k').toBase64()) << false;
        QTest::newRow("key too long")
            << feed << QString::fromLatin1(QByteArray(33, 'k').toBase64()) << false;
    }

    void configuration()
    {
        QFETCH(QString, feed);
        QFETCH(QString, key);
        QFETCH(bool, enabled);

        const UpdateConfiguration configuration = UpdateConfiguration::fromValues(feed, key);
        QCOMPARE(configuration.isEnabled(), enabled);
        QCOMPARE(configuration.disabledReason().isEmpty(), enabled);
        if (enabled) {
            QCOMPARE(configuration.feedUrl(), QUrl(feed));
            QCOMPARE(configuration.publicKey(), m_key.publicKey());
        }
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<QStringList>("versions"); // of the usable items, in feed order
        QTest::addColumn<QString>("firstShortVersion");
        QTest::addColumn<QUrl>("firstFileUrl");

        const QUrl file(u"https://example.org/velm-2.tar.gz"_s);
        const QString sig = u"c2ln"_s;
        QTest::newRow("versions on the enclosure")
            << rss(releaseItem(u"2.0"_s, file.toString(), 10, sig)) << QStringList{u"2.0"_s}
            << u"2.0"_s << file;
        QTest::newRow("versions as elements of the item")
            << rss(u"<item><sparkle:version>205</sparkle:version>"
                   "<sparkle:shortVersionString>2.0.5</sparkle:shortVersionString>"
                   "<enclosure url=\"https://example.org/velm-2.tar.gz\" length=\"10\" "
                   "type=\"application/gzip\" sparkle:edSignature=\"c2ln\"/></item>"_s)
            << QStringList{u"205"_s} << u"2.0.5"_s << file;
        QTest::newRow("the enclosure's version wins over the element")
            << rss(u"<item><sparkle:version>1</sparkle:version>"
                   "<enclosure url=\"https://example.org/velm-2.tar.gz\" sparkle:version=\"2\"/>"
                   "</item>"_s)
            << QStringList{u"2"_s} << QString() << file;
        QTest::newRow("relative file address")
            << rss(releaseItem(u"2.0"_s, u"velm-2.tar.gz"_s, 10, sig)) << QStringList{u"2.0"_s}
            << u"2.0"_s << QUrl(u"https://example.org/updates/velm-2.tar.gz"_s);
        QTest::newRow("other OS on the enclosure is left out")
            << rss(releaseItem(u"3.0"_s, file.toString(), 10, sig)
                       .replace(u"<enclosure "_s, u"<enclosure sparkle:os=\"windows\" "_s)
                   + releaseItem(u"2.0"_s, file.toString(), 10, sig))
            << QStringList{u"2.0"_s} << u"2.0"_s << file;
        QTest::newRow("other OS on the item is left out") << rss(
            releaseItem(u"3.0"_s, file.toString(), 10, sig, u"<sparkle:os>macos</sparkle:os>"_s))
                                                          << QStringList() << QString() << QUrl();
        QTest::newRow("the first enclosure for this platform counts")
            << rss(u"<item><enclosure url=\"https://example.org/velm.exe\" sparkle:os=\"windows\" "
                   "sparkle:version=\"2\"/><enclosure url=\"https://example.org/velm-2.tar.gz\" "
                   "sparkle:version=\"2\"/></item>"_s)
            << QStringList{u"2"_s} << QString() << file;
        QTest::newRow("delta files are not the release")
            << rss(u"<item><sparkle:version>2</sparkle:version><sparkle:deltas>"
                   "<enclosure url=\"https://example.org/delta\" sparkle:version=\"9\"/>"
                   "</sparkle:deltas><enclosure url=\"https://example.org/velm-2.tar.gz\"/>"
                   "</item>"_s)
            << QStringList{u"2"_s} << QString() << file;
        QTest::newRow("items of another channel are left out")
            << rss(releaseItem(u"3.0"_s, file.toString(), 10, sig,
                               u"<sparkle:channel>beta</sparkle:channel>"_s))
            << QStringList() << QString() << QUrl();
        QTest::newRow("item without a version is left out")
            << rss(u"<item><enclosure url=\"https://example.org/velm-2.tar.gz\"/></item>"_s)
            << QStringList() << QString() << QUrl();
        QTest::newRow("file address not on the web is left out")
            << rss(releaseItem(u"3.0"_s, u"file:///etc/passwd"_s, 10, sig)
                   + releaseItem(u"2.0"_s, file.toString(), 10, sig))
            << QStringList{u"2.0"_s} << u"2.0"_s << file;
        QTest::newRow("no items") << rss(QString()) << QStringList() << QString() << QUrl();
    }

    void parse()
    {
        QFETCH(QByteArray, xml);
        QFETCH(QStringList, versions);
        QFETCH(QString, firstShortVersion);
        QFETCH(QUrl, firstFileUrl);

        const std::optional<Appcast> appcast
            = Appcast::parse(xml, QUrl(u"https://example.org/updates/appcast.xml"_s));
        QVERIFY(appcast);
        QStringList parsed;
        for (const AppcastItem &item : appcast->items())
            parsed.append(item.version);
        QCOMPARE(parsed, versions);
        if (!versions.isEmpty()) {
            QCOMPARE(appcast->items().constFirst().shortVersion, firstShortVersion);
            QCOMPARE(appcast->items().constFirst().fileUrl, firstFileUrl);
        }
    }

    void parseDetails()
    {
        const QByteArray xml = rss(
            u"<item><title>velm 2.1</title><pubDate>Sat, 05 Dec 2026 10:00:00 +0000</pubDate>"
            "<description><![CDATA[<h2>New</h2><p>Faster &amp; smaller</p>]]></description>"
            "<enclosure url=\"https://example.org/v.tar.gz\" length=\"12345\" type=\"application/"
            "gzip\" sparkle:version=\"21\" sparkle:shortVersionString=\"2.1\" "
            "sparkle:edSignature=\" c2lnbmF0dXJl \"/></item>"
            "<item><description sparkle:format=\"plain-text\">Just text</description>"
            "<sparkle:releaseNotesLink>notes/2.0.html</sparkle:releaseNotesLink>"
            "<enclosure url=\"https://example.org/v2.tar.gz\" length=\"nonsense\" "
            "sparkle:version=\"20\"/></item>"_s);
        const std::optional<Appcast> appcast
            = Appcast::parse(xml, QUrl(u"https://example.org/updates/appcast.xml"_s));
        QVERIFY(appcast);
        QCOMPARE(appcast->items().size(), 2);
        const AppcastItem &first = appcast->items().at(0);
        QCOMPARE(first.title, u"velm 2.1"_s);
        QCOMPARE(first.displayVersion(), u"2.1"_s);
        QCOMPARE(first.fileLength, 12345);
        QCOMPARE(first.fileType, u"application/gzip"_s);
        QCOMPARE(first.signature, u"c2lnbmF0dXJl"_s);
        QCOMPARE(first.releaseNotes, u"<h2>New</h2><p>Faster &amp; smaller</p>"_s);
        QCOMPARE(first.releaseNotesFormat, AppcastItem::NotesFormat::Html);
        QCOMPARE(first.publicationDate, QDateTime(QDate(2026, 12, 5), QTime(10, 0), Qt::UTC));
        const AppcastItem &second = appcast->items().at(1);
        QCOMPARE(second.displayVersion(), u"20"_s);
        QCOMPARE(second.fileLength, -1);
        QCOMPARE(second.releaseNotes, u"Just text"_s);
        QCOMPARE(second.releaseNotesFormat, AppcastItem::NotesFormat::PlainText);
        QCOMPARE(second.releaseNotesLink, QUrl(u"https://example.org/updates/notes/2.0.html"_s));
    }

    void parseRefusesBrokenFeeds_data()
    {
        QTest::addColumn<QByteArray>("xml");

        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not XML") << QByteArray("{\"version\": \"2.0\"}");
        QTest::newRow("not RSS") << QByteArray("<html><body>Not found</body></html>");
        QTest::newRow("cut short")
            << rss(releaseItem(u"2.0"_s, u"https://e.org/f"_s, 1, u"s"_s)).chopped(30);
        QTest::newRow("undeclared sparkle prefix")
            << QByteArray("<rss version=\"2.0\"><channel><item><sparkle:version>2"
                          "</sparkle:version></item></channel></rss>");
    }

    void parseRefusesBrokenFeeds()
    {
        QFETCH(QByteArray, xml);
        QVERIFY(!Appcast::parse(xml));
    }

    void newestNewerThan_data()
    {
        QTest::addColumn<QStringList>("feedVersions");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("offered"); // empty: none

        QTest::newRow("newest of unordered items")
            << QStringList{u"1.2"_s, u"1.10"_s, u"1.9"_s} << u"1.0"_s << u"1.10"_s;
        QTest::newRow("equal is not newer") << QStringList{u"1.0.0"_s} << u"1.0"_s << QString();
        QTest::newRow("only older") << QStringList{u"0.9"_s, u"0.8"_s} << u"1.0"_s << QString();
        QTest::newRow("release after its pre-release")
            << QStringList{u"2.0b1"_s, u"2.0"_s} << u"1.0"_s << u"2.0"_s;
        QTest::newRow("pre-release of a newer version")
            << QStringList{u"2.0b1"_s} << u"1.0"_s << u"2.0b1"_s;
    }

    void newestNewerThan()
    {
        QFETCH(QStringList, feedVersions);
        QFETCH(QString, current);
        QFETCH(QString, offered);

        QString items;
        for (const QString &version : feedVersions)
            items += releaseItem(version, u"https://e.org/velm-%1"_s.arg(version), 1, u"s"_s);
        const std::optional<Appcast> appcast = Appcast::parse(rss(items));
        QVERIFY(appcast);
        const std::optional<AppcastItem> newest = appcast->newestNewerThan(current);
        QCOMPARE(newest ? newest->version : QString(), offered);
    }

    void versionOrder_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");

        QTest::newRow("numeric parts") << u"1.10"_s << u"1.9"_s << 1;
        QTest::newRow("trailing zero") << u"1.0"_s << u"1.0.0"_s << 0;
        QTest::newRow("leading zeros") << u"01.002"_s << u"1.2"_s << 0;
        QTest::newRow("more parts") << u"1.0.1"_s << u"1.0"_s << 1;
        QTest::newRow("beta before release") << u"1.0b1"_s << u"1.0"_s << -1;
        QTest::newRow("dashed rc before release") << u"1.0-rc.2"_s << u"1.0"_s << -1;
        QTest::newRow("rc after beta") << u"1.0rc1"_s << u"1.0b2"_s << 1;
        QTest::newRow("beta numbers") << u"1.0b10"_s << u"1.0b9"_s << 1;
        QTest::newRow("patch after pre-release") << u"1.0.1"_s << u"1.0b1"_s << 1;
        QTest::newRow("pre-release after a zero part") << u"1.0"_s << u"1.0.0b1"_s << 1;
        QTest::newRow("words ignore case") << u"1.0Beta"_s << u"1.0beta"_s << 0;
        QTest::newRow("huge build numbers")
            << u"123456789012345678901234"_s << u"99999999999999999999999"_s << 1;
    }

    void versionOrder()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);

        QCOMPARE(VersionComparator::compare(a, b), order);
        QCOMPARE(VersionComparator::compare(b, a), -order);
    }

    void signature_data()
    {
        QTest::addColumn<QByteArray>("signedData");
        QTest::addColumn<QByteArray>("checkedData");
        QTest::addColumn<bool>("otherKey");
        QTest::addColumn<QString>("signatureOverride"); // empty: the real signature
        QTest::addColumn<bool>("valid");

        const QByteArray data("velm 2.0 for Linux\n");
        QByteArray tampered = data;
        tampered[3] = char(tampered[3] ^ 1);
        QTest::newRow("valid") << data << data << false << QString() << true;
        QTest::newRow("empty file, valid")
            << QByteArray() << QByteArray() << false << QString() << true;
        QTest::newRow("one bit changed") << data << tampered << false << QString() << false;
        QTest::newRow("one byte more") << data << data + 'x' << false << QString() << false;
        QTest::newRow("other key") << data << data << true << QString() << false;
        QTest::newRow("no signature") << data << data << false << u" "_s << false;
        QTest::newRow("signature not base64") << data << data << false << u"!!!"_s << false;
        QTest::newRow("signature too short")
            << data << data << false << QString::fromLatin1(QByteArray(63, 's').toBase64())
            << false;
    }

    void signature()
    {
        QFETCH(QByteArray, signedData);
        QFETCH(QByteArray, checkedData);
        QFETCH(bool, otherKey);
        QFETCH(QString, signatureOverride);
        QFETCH(bool, valid);

        const SigningKey other;
        const QString signature
            = signatureOverride.isEmpty() ? m_key.sign(signedData) : signatureOverride;
        const QByteArray key = otherKey ? other.publicKey() : m_key.publicKey();
        QCOMPARE(UpdateSignature::verify(checkedData, signature, key), valid);

        QTemporaryDir directory;
        const QString path = directory.filePath(u"update.bin"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(checkedData);
        file.close();
        QCOMPARE(UpdateSignature::verifyFile(path, signature, key), valid);
    }

    void signatureOfMissingFile()
    {
        QVERIFY(!UpdateSignature::verifyFile(u"/nonexistent/velm.tar.gz"_s,
                                             m_key.sign(QByteArray()), m_key.publicKey()));
    }
};

VELM_TEST_MAIN(TestUpdates)
#include "tst_updates.moc"
