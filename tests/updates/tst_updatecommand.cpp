#include "appcastxml.h"
#include "chat/settings.h"
#include "signingkey.h"
#include "support/fakehttpserver.h"
#include "support/testregistry.h"
#include "updates/checkforupdatesview.h"
#include "updates/checkforupdatesviewmodel.h"
#include "updates/directupdater.h"
#include "updates/updatedialog.h"
#include "widgets/systemappearance.h"

#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int waitMs = 10000;

// A feed of one release with its notes, the file next to the feed.
QByteArray feedWith(const QString &version, qint64 length, const QString &signature,
                    const QString &notes)
{
    return AppcastXml::rss(
        AppcastXml::releaseItem(version, u"/velm-%1.tar.gz"_s.arg(version), length, signature,
                                u"<description><![CDATA[%1]]></description>"_s.arg(notes)));
}

} // namespace

// The "Check for Updates..." command and the update window, offscreen, against a feed served
// on loopback.
class TestUpdateCommand : public QObject
{
    Q_OBJECT

private:
    SigningKey m_key;
    QNetworkAccessManager m_network;
    QTemporaryDir m_directory;
    Settings m_settings{m_directory.filePath(u"velm.conf"_s), m_directory.filePath(u"data"_s)};
    // No portal: the application palette stands for the desktop.
    SystemAppearance m_appearance{QDBusConnection(u"no-bus"_s)};
    const QByteArray m_release = QByteArray("velm 0.2.0\n").repeated(1000);

    std::unique_ptr<FakeHttpServer> m_server; // a fresh one for each test

    FakeHttpServer &server() { return *m_server; }
    std::unique_ptr<DirectUpdater> makeUpdater()
    {
        auto updater = std::make_unique<DirectUpdater>(
            UpdateConfiguration::fromValues(server().url(u"/appcast.xml"_s).toString(),
                                            m_key.publicKeyText()),
            &m_network);
        updater->setCurrentVersion(u"0.1.0"_s);
        updater->setDownloadDirectory(m_directory.filePath(u"downloads"_s));
        return updater;
    }

    static QPushButton *button(UpdateDialog *dialog, const QString &name)
    {
        return dialog->findChild<QPushButton *>(name);
    }

private Q_SLOTS:
    void init()
    {
        m_server = std::make_unique<FakeHttpServer>();
        QVERIFY(m_server->listen());
    }
    void disabledWithoutUpdater_data()
    {
        QTest::addColumn<bool>("withOffUpdater");
        QTest::newRow("no updater") << false;
        QTest::newRow("updating off") << true;
    }

    void disabledWithoutUpdater()
    {
        QFETCH(bool, withOffUpdater);

        DirectUpdater off(UpdateConfiguration::fromValues(UpdateConfiguration::placeholderFeedUrl(),
                                                          m_key.publicKeyText()),
                          &m_network);
        CheckForUpdatesView command(withOffUpdater ? &off : nullptr, m_settings, m_appearance);
        QVERIFY(!command.isEnabled());
        QVERIFY(!command.viewModel()->canCheckForUpdates());
        command.trigger();
        QVERIFY(!command.dialog());
    }

    void followsTheUpdaterThroughACheck()
    {
        FakeResponse feed = FakeResponse::text(feedWith(u"0.1.0"_s, 1, u"c2ln"_s, QString()));
        feed.delayBeforeHeadMs = 300;
        server().route("GET", u"/appcast.xml"_s, feed);
        const auto updater = makeUpdater();
        CheckForUpdatesView command(updater.get(), m_settings, m_appearance);
        QVERIFY(command.isEnabled());

        command.trigger();
        QVERIFY(!command.isEnabled());
        QVERIFY(!command.viewModel()->canCheckForUpdates());
        UpdateDialog *dialog = command.dialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->stage(), UpdateDialog::Stage::Checking);

        QTRY_COMPARE_WITH_TIMEOUT(dialog->stage(), UpdateDialog::Stage::UpToDate, waitMs);
        QCOMPARE(dialog->message(), u"velm 0.1.0 is the newest version available."_s);
        QVERIFY(command.isEnabled());
    }

    void offersDownloadsAndOpensTheVerifiedFile()
    {
        server().route(
            "GET", u"/appcast.xml"_s,
            FakeResponse::text(feedWith(u"0.2.0"_s, m_release.size(), m_key.sign(m_release),
                                        u"<h2>What's new</h2><p>Faster <b>search</b> &amp; "
                                        "<a href=\"https://example.org\">links</a></p>"
                                        "<img src=\"https://example.org/tracker.png\">"_s)));
        server().route("GET", u"/velm-0.2.0.tar.gz"_s, FakeResponse::text(m_release));
        const auto updater = makeUpdater();
        CheckForUpdatesView command(updater.get(), m_settings, m_appearance);
        command.trigger();
        UpdateDialog *dialog = command.dialog();
        QList<QUrl> opened;
        dialog->setFileOpener([&opened](const QUrl &url) {
            opened.append(url);
            return true;
        });

        QTRY_COMPARE_WITH_TIMEOUT(dialog->stage(), UpdateDialog::Stage::Available, waitMs);
        QCOMPARE(dialog->title(), u"velm 0.2.0 is available"_s);
        QVERIFY(dialog->message().startsWith(u"You have velm 0.1.0."_s));
        QCOMPARE(dialog->notes(), u"What's new\n\nFaster search & links"_s);

        QTest::mouseClick(button(dialog, u"primaryButton"_s), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->stage(), UpdateDialog::Stage::Downloaded, waitMs);
        const QString path = m_directory.filePath(u"downloads/velm-0.2.0.tar.gz"_s);
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        QVERIFY(dialog->message().contains(path));
        QVERIFY(QFile::exists(path));

        QTest::mouseClick(button(dialog, u"secondaryButton"_s), Qt::LeftButton);
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened.last(), QUrl::fromLocalFile(m_directory.filePath(u"downloads"_s)));
        QTest::mouseClick(button(dialog, u"primaryButton"_s), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }

    void reportsAFileThatDoesNotVerify()
    {
        const SigningKey stranger;
        server().route("GET", u"/appcast.xml"_s,
                       FakeResponse::text(feedWith(u"0.3.0"_s, m_release.size(),
                                                   stranger.sign(m_release), u"Notes"_s)));
        server().route("GET", u"/velm-0.3.0.tar.gz"_s, FakeResponse::text(m_release));
        const auto updater = makeUpdater();
        CheckForUpdatesView command(updater.get(), m_settings, m_appearance);
        command.trigger();
        UpdateDialog *dialog = command.dialog();
        int opened = 0;
        dialog->setFileOpener([&opened](const QUrl &) { return ++opened > 0; });
        QTRY_COMPARE_WITH_TIMEOUT(dialog->stage(), UpdateDialog::Stage::Available, waitMs);

        QTest::mouseClick(button(dialog, u"primaryButton"_s), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(dialog->stage(), UpdateDialog::Stage::Failed, waitMs);
        QCOMPARE(dialog->message(), DirectUpdater::damagedMessage());
        QCOMPARE(opened, 0);
        QVERIFY(!QFile::exists(m_directory.filePath(u"downloads/velm-0.3.0.tar.gz"_s)));
        QVERIFY(command.isEnabled());
    }

    void plainTextNotes_data()
    {
        QTest::addColumn<QString>("notes");
        QTest::addColumn<bool>("html");
        QTest::addColumn<QString>("shown");

        QTest::newRow("paragraphs apart")
            << u"<h2>New</h2><p>Faster</p><p>Smaller<br>and lighter</p>"_s << true
            << u"New\n\nFaster\n\nSmaller\nand lighter"_s;
        QTest::newRow("list items marked and together")
            << u"<p>Changes:</p><ul><li>One</li><li>Two<ul><li>Two and a half</li></ul></li>"
               "</ul><ol><li>First</li></ol>"_s
            << true << u"Changes:\n\n• One\n• Two\n  • Two and a half\n1. First"_s;
        QTest::newRow("entities decoded") << u"A &lt;b&gt; &amp; C"_s << true << u"A <b> & C"_s;
        QTest::newRow("images and scripts leave nothing")
            << u"<p>Before<img src=\"file:///etc/passwd\">after</p><script>alert(1)</script>"_s
            << true << u"Beforeafter"_s;
        QTest::newRow("plain text kept as written")
            << u"  Use <b>bold</b> & more\n"_s << false << u"Use <b>bold</b> & more"_s;
    }

    void plainTextNotes()
    {
        QFETCH(QString, notes);
        QFETCH(bool, html);
        QFETCH(QString, shown);

        AppcastItem item;
        item.releaseNotes = notes;
        item.releaseNotesFormat
            = html ? AppcastItem::NotesFormat::Html : AppcastItem::NotesFormat::PlainText;
        QCOMPARE(UpdateDialog::plainTextNotes(item), shown);
    }
};

VELM_TEST_MAIN(TestUpdateCommand)
#include "tst_updatecommand.moc"
