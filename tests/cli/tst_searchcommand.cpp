#include "chat/settingskeys.h"
#include "cli/velmhome.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Role = ChatMessage::Role;

const QDateTime tripTime(QDate(2025, 3, 4), QTime(5, 6, 7, 890), Qt::UTC);
const QDateTime oldTime(QDate(2024, 12, 31), QTime(23, 0), Qt::UTC);

// A trip whose answer mentions Zürich, an archived chat titled with the word, and one whose
// title and text carry terminal escape sequences.
QList<ChatSession> chats()
{
    ChatSession trip = ChatSession::create(tripTime);
    trip.customTitle = u"Trip planning"_s;
    trip.messages.append(ChatMessage(Role::User, u"Where should we stay?"_s));
    trip.messages.append(
        ChatMessage(Role::Assistant, u"Zürich has a lovely old town.\nStay near the lake."_s));

    ChatSession archived = ChatSession::create(oldTime);
    archived.customTitle = u"Zürich notes"_s;
    archived.isArchived = true;

    ChatSession hostile = ChatSession::create(oldTime.addDays(-1));
    hostile.customTitle = u"\x1b]0;owned\x07Title\u009b2J"_s;
    hostile.messages.append(ChatMessage(Role::User, u"zürich \x1b[31mred\x1b[0m"_s));
    return {trip, archived, hostile};
}

QString localDate(const QDateTime &time)
{
    return time.toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s);
}

bool hasControlCharacter(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) {
        return c != u'\n' && (c.unicode() < 0x20 || (c.unicode() >= 0x7f && c.unicode() <= 0x9f));
    });
}

} // namespace

// `velm search`: the chats that match, from a terminal.
class TestSearchCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lines()
    {
        VelmHome home;
        QVERIFY(StoredChats::write(*home.settings(), chats()));
        const VelmRun run = home.run({u"search"_s, u"zürich"_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!hasControlCharacter(run.outText()));
        QStringList lines = run.outText().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        // The most relevant first; each line the date, the title and the text around the
        // match.
        lines.sort();
        QVERIFY2(lines.at(2).startsWith(localDate(tripTime) + u"  Trip planning  "_s),
                 qPrintable(lines.at(2)));
        QVERIFY(lines.at(2).contains(u"Zürich has a lovely old town. Stay"_s));
        // A match in the title alone is not printed twice.
        QCOMPARE(lines.at(1), localDate(oldTime) + u"  Zürich notes (archived)"_s);
        QVERIFY2(lines.at(0).contains(u"]0;ownedTitle2J  zürich [31mred"_s),
                 qPrintable(lines.at(0)));
    }

    void json()
    {
        VelmHome home;
        const QList<ChatSession> stored = chats();
        QVERIFY(StoredChats::write(*home.settings(), stored));
        const VelmRun run = home.run({u"search"_s, u"--json"_s, u"Zürich"_s});
        QCOMPARE(run.exitCode, 0);
        // Escape sequences stay escaped in the JSON text.
        QVERIFY(!hasControlCharacter(run.outText()));
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QJsonArray array = document.array();
        QCOMPARE(array.size(), 3);

        // The most relevant first: the title a word is in, then the shortest text.
        QCOMPARE(array.at(0)[u"title"_s].toString(), u"Zürich notes"_s);
        QCOMPARE(array.at(1)[u"title"_s].toString(), stored.at(2).title());
        const QJsonObject trip = array.at(2).toObject();
        QCOMPARE(trip.keys(),
                 (QStringList{u"archived"_s, u"id"_s, u"marks"_s, u"messageId"_s, u"snippet"_s,
                              u"title"_s, u"updatedAt"_s}));
        QCOMPARE(trip[u"id"_s].toString(), stored.at(0).id.toString(QUuid::WithoutBraces));
        QCOMPARE(trip[u"title"_s].toString(), u"Trip planning"_s);
        QCOMPARE(trip[u"updatedAt"_s].toString(), u"2025-03-04T05:06:07.890Z"_s);
        QCOMPARE(trip[u"archived"_s], QJsonValue(false));
        QCOMPARE(trip[u"messageId"_s].toString(),
                 stored.at(0).messages.at(1).id.toString(QUuid::WithoutBraces));
        // Each mark is [start, length] into the snippet and covers the word.
        const QString snippet = trip[u"snippet"_s].toString();
        const QJsonArray marks = trip[u"marks"_s].toArray();
        QVERIFY(!marks.isEmpty());
        for (const QJsonValue &mark : marks) {
            const QJsonArray span = mark.toArray();
            QCOMPARE(span.size(), 2);
            QCOMPARE(snippet.mid(span.at(0).toInt(), span.at(1).toInt()).toLower(), u"zürich"_s);
        }

        const QJsonObject archived = array.at(0).toObject();
        QCOMPARE(archived[u"archived"_s], QJsonValue(true));
        QCOMPARE(archived[u"messageId"_s], QJsonValue(QJsonValue::Null));
        // The JSON keeps the text as it is stored (above); only the escaping keeps it off
        // the terminal.
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("lines");

        QTest::newRow("limit") << QStringList{u"--limit"_s, u"2"_s, u"zürich"_s} << 0 << 2;
        QTest::newRow("words of the query joined") << QStringList{u"old"_s, u"town"_s} << 0 << 1;
        QTest::newRow("nothing matches, like grep") << QStringList{u"absent"_s} << 1 << 0;
        QTest::newRow("no query") << QStringList{} << 2 << 0;
        QTest::newRow("blank query") << QStringList{u"  "_s} << 2 << 0;
        QTest::newRow("limit not a number")
            << QStringList{u"--limit"_s, u"many"_s, u"zürich"_s} << 2 << 0;
        QTest::newRow("limit zero") << QStringList{u"--limit"_s, u"0"_s, u"zürich"_s} << 2 << 0;
        QTest::newRow("unknown option") << QStringList{u"--regex"_s, u"zürich"_s} << 2 << 0;
    }

    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, lines);
        VelmHome home;
        QVERIFY(StoredChats::write(*home.settings(), chats()));
        const VelmRun run = home.run(QStringList{u"search"_s} + arguments);
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.outText().count(u'\n'), lines);
        if (exitCode == 2)
            QVERIFY2(run.errText().contains(u"Usage: velm search [--json] [--limit N] QUERY"_s),
                     run.err.constData());
        else
            QCOMPARE(run.errText(), QString());
    }

    // A list that cannot be read is not "nothing matches".
    void damagedStore()
    {
        VelmHome home;
        QVERIFY(home.settings()->setData(SettingsKeys::chatSessions, "[{\"id\": 1"));
        const VelmRun run = home.run({u"search"_s, u"zürich"_s});
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().contains(u"velm search: the stored chat list could not be read"_s),
                 run.err.constData());
    }
};

VELM_TEST_MAIN(TestSearchCommand)
#include "tst_searchcommand.moc"
