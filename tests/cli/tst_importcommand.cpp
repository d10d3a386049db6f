#include "chat/chatexport.h"
#include "chat/chatstore.h"
#include "chat/settingskeys.h"
#include "cli/velmhome.h"
#include "support/storedchats.h"
#include "support/testattachments.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Two chats with what an export must carry back: dates with milliseconds, versions of an
// answer, a thought and its figures, sources, a title, an archived chat, a member that a
// newer version stored, and the files a question carried.
QList<ChatSession> twoChats()
{
    ChatSession active
        = ChatSession::create(QDateTime(QDate(2025, 3, 4), QTime(5, 6, 7, 890), Qt::UTC));
    active.unknownKeys = {{u"pinned"_s, "{\"at\":2}"}};
    ChatMessage answer(ChatMessage::Role::Assistant, u"In Switzerland."_s,
                       QList<SearchResult>{SearchResult::create(
                           u"Zürich"_s, u"https://en.wikipedia.org/wiki/Z"_s, QString())});
    answer.reasoning = u"A city."_s;
    answer.thinkingSeconds = 0.5;
    answer.model = u"qwen3-8b"_s;
    answer.stats = AnswerStats{12, true, std::nullopt, 0.25};
    AnswerVersion earlier;
    earlier.text = u"Switzerland."_s;
    answer.versions = {earlier, answer.version()};
    answer.chosenVersion = 1;
    ChatMessage question(ChatMessage::Role::User, u"Where is Zürich?"_s);
    question.attachments
        = {TestAttachments::image(u"map.png"_s, QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
           TestAttachments::document(u"notes.txt"_s, u"Lake Zurich\n"_s)};
    active.messages = {question, answer};
    ChatSession archived
        = ChatSession::create(QDateTime(QDate(2024, 12, 31), QTime(23, 0, 0, 1), Qt::UTC));
    archived.customTitle = u"Old one"_s;
    archived.isArchived = true;
    return {active, archived};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

// `velm import`: an export brought back, from a terminal.
class TestImportCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Export, delete every chat, import, export again: the same file, byte for byte.
    void roundTrip()
    {
        VelmHome home;
        QVERIFY(home.isValid());
        const auto settings = home.settings();
        QVERIFY(StoredChats::write(*settings, twoChats()));
        const QString first = home.path() + u"/first.json"_s;
        const QString second = home.path() + u"/second.json"_s;
        QCOMPARE(home.run({u"export"_s, first}).exitCode, 0);
        QVERIFY(ChatStore(*settings).removeAll());

        VelmRun run = home.run({u"import"_s, first});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Imported 2 chats, skipped 0\n"_s);
        // The files came back whole, from their data: URLs.
        const QList<ChatSession> imported = StoredChats::read(*settings);
        QCOMPARE(imported.size(), 2);
        QCOMPARE(imported.at(0).messages.at(0).attachments,
                 twoChats().at(0).messages.at(0).attachments);
        QCOMPARE(home.run({u"export"_s, second}).exitCode, 0);
        QCOMPARE(fileBytes(second), fileBytes(first));

        // Everything is there now.
        run = home.run({u"import"_s, u"-"_s}, fileBytes(first));
        QCOMPARE(run.outText(), u"Imported 0 chats, skipped 2\n"_s);
        QCOMPARE(StoredChats::read(*settings).size(), 2);
    }

    // A chat changed since the export comes back beside the changed one, after the stored
    // chats and in the file's order.
    void changedChatComesBackAsACopy()
    {
        VelmHome home;
        const auto settings = home.settings();
        QList<ChatSession> chats = twoChats();
        const QString file = home.path() + u"/chats.json"_s;
        QVERIFY(writeFile(file, ChatExport::encode(chats)));
        ChatSession renamed = chats.at(1);
        renamed.customTitle = u"Renamed since"_s;
        QVERIFY(StoredChats::write(*settings, {renamed}));

        const VelmRun run = home.run({u"import"_s, file});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Imported 2 chats, skipped 0\n"_s);
        const QList<ChatSession> stored = StoredChats::read(*settings);
        QCOMPARE(stored.size(), 3);
        QCOMPARE(stored.at(0), renamed);
        QCOMPARE(stored.at(1).id, chats.at(0).id);
        QVERIFY(stored.at(2).id != renamed.id);
        QCOMPARE(stored.at(2).customTitle, chats.at(1).customTitle);
    }

    void damagedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // none: no such file
        QTest::addColumn<QString>("message");

        QTest::newRow("cut short")
            << ChatExport::encode(twoChats()).chopped(40) << u"chats.json: line "_s;
        QTest::newRow("wrong type")
            << ChatExport::encode(twoChats())
                   .replace("\"isArchived\" : true", "\"isArchived\" : \"yes\"")
            << u"chats.json: chat 2: \"isArchived\" is neither true nor false; nothing was "
               "imported"_s;
        QTest::newRow("foreign") << QByteArray("{\"a\": 1}\n")
                                 << u"chats.json: the file holds a JSON object, not a list of "
                                    "chats"_s;
        QTest::newRow("missing") << QByteArray() << u"could not read "_s;
    }

    void damagedFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        VelmHome home;
        const auto settings = home.settings();
        QVERIFY(StoredChats::write(*settings, {twoChats().at(1)}));
        const QList<ChatSession> before = StoredChats::read(*settings);
        const QString file = home.path() + u"/chats.json"_s;
        if (!bytes.isEmpty())
            QVERIFY(writeFile(file, bytes));

        const VelmRun run = home.run({u"import"_s, file});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().startsWith(u"velm import: "_s), run.err.constData());
        QVERIFY2(run.errText().contains(message), run.err.constData());
        QCOMPARE(StoredChats::read(*settings), before);
        QCOMPARE(QDir(home.dataDirectory()).entryList(QDir::Files),
                 (QStringList{u"chats.db"_s, u"chats.db-shm"_s, u"chats.db-wal"_s}));
    }
};

VELM_TEST_MAIN(TestImportCommand)
#include "tst_importcommand.moc"
