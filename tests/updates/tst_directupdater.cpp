#include "appcastxml.h"
#include "signingkey.h"
#include "support/fakehttpserver.h"
#include "support/loopback.h"
#include "support/testregistry.h"
#include "updates/directupdater.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using AppcastXml::releaseItem;
using AppcastXml::rss;

namespace {

constexpr int waitMs = 10000;

} // namespace

// The updater against a feed and files served on loopback, with a key pair made for the run.
class TestDirectUpdater : public QObject
{
    Q_OBJECT

private:
    SigningKey m_key;
    QNetworkAccessManager m_network;

    std::unique_ptr<FakeHttpServer> m_server; // a fresh one for each test and row

    FakeHttpServer &server() { return *m_server; }
    // An updater of version 0.1.0 that reads the feed at `feed`, trusting the run's key.
    std::unique_ptr<DirectUpdater> updaterFor(const QUrl &feed)
    {
        auto updater = std::make_unique<DirectUpdater>(
            UpdateConfiguration::fromValues(feed.toString(), m_key.publicKeyText()), &m_network);
        updater->setCurrentVersion(u"0.1.0"_s);
        return updater;
    }

    std::unique_ptr<DirectUpdater> makeUpdater()
    {
        return updaterFor(server().url(u"/appcast.xml"_s));
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeHttpServer>();
        QVERIFY(m_server->listen());
    }
    void checkAgainstFeed_data()
    {
        QTest::addColumn<QString>("feedVersion");
        QTest::addColumn<bool>("offered");

        // The order of versions is versionOrder's; this is what the updater does with it.
        QTest::newRow("newer version") << u"0.2.0"_s << true;
        QTest::newRow("equal version") << u"0.1.0"_s << false;
    }

    void checkAgainstFeed()
    {
        QFETCH(QString, feedVersion);
        QFETCH(bool, offered);

        server().route("GET", u"/appcast.xml"_s,
                       FakeResponse::text(
                           rss(releaseItem(feedVersion, u"/velm.tar.gz"_s, 4, m_key.sign("data"))),
                           200, "application/rss+xml"));
        const auto updater = makeUpdater();
        QSignalSpy found(updater.get(), &DirectUpdater::updateFound);
        QSignalSpy none(updater.get(), &DirectUpdater::noUpdateFound);
        QSignalSpy failed(updater.get(), &DirectUpdater::checkFailed);

        updater->checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(found.size() + none.size() + failed.size(), 1, waitMs);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(found.size(), offered ? 1 : 0);
        if (offered) {
            const auto item = found.first().first().value<AppcastItem>();
            QCOMPARE(item.version, feedVersion);
            QCOMPARE(item.fileUrl, server().url(u"/velm.tar.gz"_s));
        }
        QVERIFY(updater->canCheckForUpdates());
        QCOMPARE(server().requestCount(u"/velm.tar.gz"_s), 0);
    }

    void cannotCheckWhileChecking()
    {
        FakeResponse response = FakeResponse::text(rss(QString()));
        response.delayBeforeHeadMs = 300;
        server().route("GET", u"/appcast.xml"_s, response);
        const auto updater = makeUpdater();
        QSignalSpy canCheck(updater.get(), &DirectUpdater::canCheckForUpdatesChanged);
        QSignalSpy none(updater.get(), &DirectUpdater::noUpdateFound);
        QVERIFY(updater->canCheckForUpdates());

        updater->checkForUpdates();
        QVERIFY(!updater->canCheckForUpdates());
        QCOMPARE(canCheck.size(), 1);
        QCOMPARE(canCheck.at(0).at(0).toBool(), false);
        // A second request meanwhile is ignored rather than queued or doubled.
        updater->checkForUpdates();

        QVERIFY(none.wait(waitMs));
        QVERIFY(updater->canCheckForUpdates());
        QCOMPARE(canCheck.size(), 2);
        QCOMPARE(canCheck.at(1).at(0).toBool(), true);
        QCOMPARE(none.size(), 1);
        QCOMPARE(server().requestCount(u"/appcast.xml"_s), 1);
    }

    void checkFails_data()
    {
        QTest::addColumn<int>("status"); // 0: nothing listening
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("message");

        QTest::newRow("not found")
            << 404 << QByteArray("missing") << DirectUpdater::serverErrorMessage(404);
        QTest::newRow("not a feed")
            << 200 << QByteArray("<html>hello</html>") << DirectUpdater::unreadableFeedMessage();
        QTest::newRow("nothing listening")
            << 0 << QByteArray() << DirectUpdater::unreachableMessage();
    }

    void checkFails()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, message);

        server().route("GET", u"/appcast.xml"_s, FakeResponse::text(body, status));
        QUrl feed = server().url(u"/appcast.xml"_s);
        if (status == 0)
            feed.setPort(Loopback::closedPort());
        const auto updater = updaterFor(feed);
        QSignalSpy failed(updater.get(), &DirectUpdater::checkFailed);

        updater->checkForUpdates();
        QVERIFY(failed.wait(waitMs));
        QCOMPARE(failed.first().first().toString(), message);
        QVERIFY(updater->canCheckForUpdates());
    }

    void notesFromTheirLink()
    {
        const QString item
            = u"<item><sparkle:releaseNotesLink>/notes.txt</sparkle:releaseNotesLink>"
              "<enclosure url=\"/velm.tar.gz\" sparkle:version=\"9\"/></item>"_s;
        server().route("GET", u"/appcast.xml"_s, FakeResponse::text(rss(item)));
        server().route("GET", u"/notes.txt"_s, FakeResponse::text("Fixed <everything>."));
        const auto updater = makeUpdater();
        QSignalSpy found(updater.get(), &DirectUpdater::updateFound);

        updater->checkForUpdates();
        QVERIFY(found.wait(waitMs));
        const auto offered = found.first().first().value<AppcastItem>();
        QCOMPARE(offered.releaseNotes, u"Fixed <everything>."_s);
        QCOMPARE(offered.releaseNotesFormat, AppcastItem::NotesFormat::PlainText);
    }

    void download_data()
    {
        QTest::addColumn<QByteArray>("served");
        QTest::addColumn<int>("status");
        QTest::addColumn<qint64>("declaredLength"); // -1: the served length
        QTest::addColumn<bool>("signedByOtherKey");
        QTest::addColumn<bool>("withoutSignature");
        QTest::addColumn<QString>("failure"); // empty: kept

        const QByteArray release = QByteArray("velm 0.2.0 release archive ").repeated(4000);
        QByteArray tampered = release;
        tampered[tampered.size() / 2] = 'X';
        QTest::newRow("verified") << release << 200 << qint64(-1) << false << false << QString();
        QTest::newRow("verified without a declared length")
            << release << 200 << qint64(0) << false << false << QString();
        QTest::newRow("signed by another key")
            << release << 200 << qint64(-1) << true << false << DirectUpdater::damagedMessage();
        QTest::newRow("one byte changed on the way")
            << tampered << 200 << qint64(-1) << false << false << DirectUpdater::damagedMessage();
        QTest::newRow("shorter than declared") << release << 200 << qint64(release.size() + 1)
                                               << false << false << DirectUpdater::damagedMessage();
        QTest::newRow("longer than declared") << release << 200 << qint64(release.size() - 1)
                                              << false << false << DirectUpdater::damagedMessage();
        QTest::newRow("no signature in the feed")
            << release << 200 << qint64(-1) << false << true << DirectUpdater::damagedMessage();
        QTest::newRow("not found") << QByteArray("gone") << 404 << qint64(-1) << false << false
                                   << DirectUpdater::downloadFailedMessage();
    }

    void download()
    {
        QFETCH(QByteArray, served);
        QFETCH(int, status);
        QFETCH(qint64, declaredLength);
        QFETCH(bool, signedByOtherKey);
        QFETCH(bool, withoutSignature);
        QFETCH(QString, failure);

        // The signature is always made over the real release; `served` may differ from it.
        const QByteArray release = QByteArray("velm 0.2.0 release archive ").repeated(4000);
        const SigningKey other;
        const QString signature
            = withoutSignature ? QString() : (signedByOtherKey ? other : m_key).sign(release);
        const qint64 length = declaredLength < 0 ? release.size() : declaredLength;

        FakeResponse file = FakeResponse::text(served, status, "application/gzip");
        file.pieceSize = 16 * 1024;
        server().route("GET", u"/downloads/velm-0.2.0.tar.gz"_s, file);
        server().route("GET", u"/appcast.xml"_s,
                       FakeResponse::text(rss(releaseItem(
                           u"0.2.0"_s, u"downloads/velm-0.2.0.tar.gz"_s, length, signature))));
        QTemporaryDir directory;
        // Left by a run that ended half-way through a download.
        QFile stale(directory.filePath(u"velm-update-Ab12Cd.part"_s));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        const auto updater = makeUpdater();
        updater->setDownloadDirectory(directory.path());
        QSignalSpy found(updater.get(), &DirectUpdater::updateFound);
        QSignalSpy finished(updater.get(), &DirectUpdater::downloadFinished);
        QSignalSpy failed(updater.get(), &DirectUpdater::downloadFailed);
        QSignalSpy canCheck(updater.get(), &DirectUpdater::canCheckForUpdatesChanged);

        updater->checkForUpdates();
        QVERIFY(found.wait(waitMs));
        canCheck.clear();
        updater->download(found.first().first().value<AppcastItem>());
        QTRY_COMPARE_WITH_TIMEOUT(finished.size() + failed.size(), 1, waitMs);
        QVERIFY(updater->canCheckForUpdates());
        QCOMPARE(canCheck.size(), 2);
        QCOMPARE(canCheck.first().first().toBool(), false);

        const QStringList left = QDir(directory.path()).entryList(QDir::Files);
        if (failure.isEmpty()) {
            const QString path = finished.first().first().toString();
            QCOMPARE(path, directory.filePath(u"velm-0.2.0.tar.gz"_s));
            QCOMPARE(left, QStringList{u"velm-0.2.0.tar.gz"_s});
            QFile kept(path);
            QVERIFY(kept.open(QIODevice::ReadOnly));
            QCOMPARE(kept.readAll(), release);
        } else {
            QCOMPARE(failed.first().first().toString(), failure);
            QCOMPARE(left, QStringList());
        }
        // A release without a signature is refused before anything is fetched.
        QCOMPARE(server().requestCount(u"/downloads/velm-0.2.0.tar.gz"_s),
                 withoutSignature ? 0 : 1);
    }

    void cancelledDownloadLeavesNothing()
    {
        const QByteArray release(256 * 1024, 'v');
        FakeResponse file = FakeResponse::text(release);
        file.pieceSize = 1024;
        file.delayBetweenPiecesMs = 20;
        server().route("GET", u"/velm.tar.gz"_s, file);
        server().route("GET", u"/appcast.xml"_s,
                       FakeResponse::text(rss(releaseItem(u"9"_s, u"/velm.tar.gz"_s, release.size(),
                                                          m_key.sign(release)))));
        QTemporaryDir directory;
        const auto updater = makeUpdater();
        updater->setDownloadDirectory(directory.path());
        QSignalSpy found(updater.get(), &DirectUpdater::updateFound);
        QSignalSpy progress(updater.get(), &DirectUpdater::downloadProgress);
        QSignalSpy finished(updater.get(), &DirectUpdater::downloadFinished);
        QSignalSpy failed(updater.get(), &DirectUpdater::downloadFailed);
        updater->checkForUpdates();
        QVERIFY(found.wait(waitMs));

        updater->download(found.first().first().value<AppcastItem>());
        QVERIFY(progress.wait(waitMs));
        QCOMPARE(progress.last().at(1).toLongLong(), qint64(release.size()));
        updater->cancel();
        QTRY_VERIFY_WITH_TIMEOUT(updater->canCheckForUpdates(), waitMs);
        QCOMPARE(finished.size(), 0);
        QCOMPARE(failed.size(), 0);
        QCOMPARE(QDir(directory.path()).entryList(QDir::Files), QStringList());
    }

    void updaterGoneDuringCheck()
    {
        FakeResponse response = FakeResponse::text(rss(QString()));
        response.delayBeforeHeadMs = 200;
        server().route("GET", u"/appcast.xml"_s, response);
        auto updater = makeUpdater();
        updater->checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(server().requestCount(u"/appcast.xml"_s), 1, waitMs);
        updater.reset();
        // The abandoned check must not wake up on a deleted updater.
        QTest::qWait(400);
    }

    void offUpdaterNeverChecks()
    {
        DirectUpdater updater(
            UpdateConfiguration::fromValues(server().url(u"/appcast.xml"_s).toString(),
                                            UpdateConfiguration::placeholderPublicKey()),
            &m_network);
        QSignalSpy started(&updater, &DirectUpdater::checkStarted);
        QVERIFY(!updater.isEnabled());
        QVERIFY(!updater.canCheckForUpdates());
        updater.checkForUpdates();
        QTest::qWait(200);
        QCOMPARE(started.size(), 0);
        QCOMPARE(server().requests().size(), 0);
    }
};

VELM_TEST_MAIN(TestDirectUpdater)
#include "tst_directupdater.moc"
