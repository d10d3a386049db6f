#include "chat/chatexport.h"
#include "chat/chatstore.h"
#include "cli/velmhome.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QList<ChatSession> twoChats()
{
    ChatSession active
        = ChatSession::create(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7, 890), Qt::UTC));
    active.messages.append(ChatMessage(ChatMessage::Role::User, u"Where is Zürich?"_s));
    active.messages.append(
        ChatMessage(ChatMessage::Role::Assistant, u"In Switzerland."_s,
                    QList<SearchResult>{SearchResult::create(
                        u"Zürich"_s, u"https://en.wikipedia.org/wiki/Z"_s, QString())}));
    ChatSession archived
        = ChatSession::create(QDateTime(QDate(2024, 12, 31), QTime(23, 0), Qt::UTC));
    archived.customTitle = u"Old one"_s;
    archived.isArchived = true;
    return {active, archived};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// `velm export`: the settings window's export file, from a terminal.
class TestExportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void toFileAndStandardOutput()
    {
        VelmHome home;
        QVERIFY(home.isValid());
        const QList<ChatSession> chats = twoChats();
        QVERIFY(StoredChats::write(*home.settings(), chats));
        QTemporaryDir target;
        const QString path = target.filePath(u"velm-chats.json"_s);

        VelmRun run = home.run({u"export"_s, path});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Exported 2 chats to "_s + QDir::toNativeSeparators(path) + u'\n');
        // Every chat, archived ones too, in store order.
        const QByteArray written = fileBytes(path);
        QCOMPARE(written, ChatExport::encode(chats));

        run = home.run({u"export"_s, u"-"_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, written);
    }

    void noChats()
    {
        VelmHome home;
        const VelmRun run = home.run({u"export"_s, u"-"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QByteArray("[]\n"));
    }

    void replacesTheFileInOneStep()
    {
        VelmHome home;
        QVERIFY(StoredChats::write(*home.settings(), twoChats()));
        QTemporaryDir target;
        const QString path = target.filePath(u"backup.json"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the previous export, longer than nothing");
        old.close();
        // A reader that opened the old file keeps reading the old bytes: the new file took
        // its name instead of being written into it.
        QVERIFY(old.open(QIODevice::ReadOnly));

        const VelmRun run = home.run({u"export"_s, path});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(old.readAll(), QByteArray("the previous export, longer than nothing"));
        QVERIFY(fileBytes(path).startsWith("[\n  {"));
        QCOMPARE(QDir(target.path()).entryList(QDir::Files), QStringList{u"backup.json"_s});
    }

    void failures_data()
    {
        QTest::addColumn<bool>("damagedStore");
        QTest::addColumn<QString>("target"); // relative to a temporary directory
        QTest::addColumn<QString>("message");

        QTest::newRow("folder missing")
            << false << u"missing/chats.json"_s << u"velm export: could not write "_s;
        // An export of "[]" would pass for a backup of nothing.
        QTest::newRow("damaged chat list")
            << true << u"chats.json"_s << u"velm export: the stored chat list could not be read"_s;
    }

    void failures()
    {
        QFETCH(bool, damagedStore);
        QFETCH(QString, target);
        QFETCH(QString, message);
        VelmHome home;
        const auto settings = home.settings();
        if (damagedStore)
            QVERIFY(settings->setData(SettingsKeys::chatSessions, "[{\"id\": 1"));
        else
            QVERIFY(StoredChats::write(*settings, twoChats()));
        QTemporaryDir directory;
        const VelmRun run = home.run({u"export"_s, directory.filePath(target)});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().contains(message), run.err.constData());
        QCOMPARE(QDir(directory.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList());
    }

    void wrongUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("no file") << QStringList{u"export"_s};
        QTest::newRow("two files") << QStringList{u"export"_s, u"a"_s, u"b"_s};
    }

    void wrongUsage()
    {
        QFETCH(QStringList, arguments);
        VelmHome home;
        const VelmRun run = home.run(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.errText().contains(u"Usage: velm export FILE"_s));
    }
};

VELM_TEST_MAIN(TestExportCommand)
#include "tst_exportcommand.moc"
