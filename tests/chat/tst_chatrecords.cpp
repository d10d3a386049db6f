#include "chat/chatsession.h"
#include "chat/sidebargroup.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Role = ChatMessage::Role;

ChatSession sessionAt(const QDateTime &updatedAt, const QString &name, bool archived = false)
{
    ChatSession session = ChatSession::create(updatedAt);
    session.customTitle = name;
    session.isArchived = archived;
    return session;
}

// "label: title title | label: title" for readable comparisons.
QString describe(const QList<SidebarGroup> &groups)
{
    QStringList parts;
    for (const SidebarGroup &group : groups) {
        QStringList titles;
        for (const ChatSession &session : group.sessions)
            titles.append(session.title());
        parts.append(group.label + u": "_s + titles.join(u' '));
    }
    return parts.join(u" | "_s);
}

} // namespace

class TestChatRecords : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void title_data()
    {
        QTest::addColumn<std::optional<QString>>("customTitle");
        QTest::addColumn<QList<ChatMessage>>("messages");
        QTest::addColumn<QString>("title");

        const QList<ChatMessage> conversation{
            ChatMessage(Role::Assistant, u"Hello there"_s),
            ChatMessage(Role::User, u"  first question\nsecond line "_s),
            ChatMessage(Role::User, u"later question"_s),
        };
        const QList<ChatMessage> answersOnly{ChatMessage(Role::Assistant, u"Hi"_s)};

        QTest::newRow("custom title trimmed")
            << std::optional(u"\n  Trip to Rome \t"_s) << conversation << u"Trip to Rome"_s;
        QTest::newRow("blank custom title")
            << std::optional(u"  \n\t "_s) << conversation << u"  first question\nsecond line "_s;
        QTest::newRow("no custom title, first user message as stored")
            << std::optional<QString>() << conversation << u"  first question\nsecond line "_s;
        QTest::newRow("no user message") << std::optional(u" "_s) << answersOnly << u"New Chat"_s;
        QTest::newRow("empty session")
            << std::optional<QString>() << QList<ChatMessage>() << u"New Chat"_s;
    }

    void title()
    {
        QFETCH(std::optional<QString>, customTitle);
        QFETCH(QList<ChatMessage>, messages);
        QFETCH(QString, title);

        ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
        session.customTitle = customTitle;
        session.messages = messages;
        QCOMPARE(session.title(), title);
    }

    void create()
    {
        const QDateTime now(QDate(2026, 1, 2), QTime(3, 4, 5, 6), QTimeZone(3600));
        const ChatSession a = ChatSession::create(now);
        QVERIFY(!a.id.isNull());
        QVERIFY(a.id != ChatSession::create(now).id);
        QCOMPARE(a.updatedAt, now);
        QCOMPARE(a.updatedAt.timeSpec(), Qt::UTC);

        // An update keeps the identity; records compare by value.
        const ChatMessage answer(Role::Assistant, u"a"_s);
        QVERIFY(answer.id != ChatMessage(Role::Assistant, u"a"_s).id);
        ChatMessage grown = answer;
        grown.text += u"bc"_s;
        QCOMPARE(grown.id, answer.id);
        QVERIFY(grown != answer);
    }

    void sidebarGroups_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QList<ChatSession>>("sessions");
        QTest::addColumn<QString>("groups");

        // A fixed offset, so the rows do not depend on the machine's time zone.
        const QTimeZone zone(2 * 3600);
        auto at = [zone](int month, int day, int hour, int minute) {
            return QDateTime(QDate(2026, month, day), QTime(hour, minute), zone);
        };

        QTest::newRow("just after midnight")
            << at(3, 10, 0, 1)
            << QList<ChatSession>{sessionAt(at(3, 9, 23, 59), u"lateYesterday"_s),
                                  sessionAt(at(3, 10, 0, 0), u"midnight"_s)}
            << u"Today: midnight | Yesterday: lateYesterday"_s;
        QTest::newRow("just before midnight")
            << at(3, 10, 23, 59)
            << QList<ChatSession>{sessionAt(at(3, 10, 0, 0), u"morning"_s),
                                  sessionAt(at(3, 9, 0, 0), u"yesterday"_s)}
            << u"Today: morning | Yesterday: yesterday"_s;
        QTest::newRow("calendar days, not hours")
            << at(3, 10, 0, 30)
            << QList<ChatSession>{sessionAt(at(3, 8, 23, 50), u"twoDays"_s),
                                  sessionAt(at(3, 4, 0, 0), u"sixDays"_s),
                                  sessionAt(at(3, 3, 23, 59), u"sevenDays"_s)}
            << u"Previous 7 days: twoDays sixDays | Older: sevenDays"_s;
        QTest::newRow("future dates are older")
            << at(3, 10, 12, 0)
            << QList<ChatSession>{sessionAt(at(3, 11, 0, 0), u"tomorrow"_s),
                                  sessionAt(at(3, 10, 23, 59), u"laterToday"_s)}
            << u"Today: laterToday | Older: tomorrow"_s;
        QTest::newRow("archived left out, empty groups left out")
            << at(3, 10, 12, 0)
            << QList<ChatSession>{sessionAt(at(3, 10, 1, 0), u"archived"_s, true),
                                  sessionAt(at(1, 1, 1, 0), u"old"_s)}
            << u"Older: old"_s;
        QTest::newRow("newest first, ties keep list order")
            << at(3, 10, 12, 0)
            << QList<ChatSession>{sessionAt(at(3, 10, 8, 0), u"a"_s),
                                  sessionAt(at(3, 10, 9, 0), u"b"_s),
                                  sessionAt(at(3, 10, 8, 0), u"c"_s),
                                  sessionAt(at(3, 10, 9, 0), u"d"_s)}
            << u"Today: b d a c"_s;
        // 23:30 UTC is already the next day at UTC+2.
        QTest::newRow("local day, not UTC day")
            << at(3, 10, 12, 0)
            << QList<ChatSession>{sessionAt(QDateTime(QDate(2026, 3, 9), QTime(23, 30), Qt::UTC),
                                            u"utcYesterday"_s)}
            << u"Today: utcYesterday"_s;
        QTest::newRow("no sessions") << at(3, 10, 12, 0) << QList<ChatSession>() << QString();
    }

    void sidebarGroups()
    {
        QFETCH(QDateTime, now);
        QFETCH(QList<ChatSession>, sessions);
        QFETCH(QString, groups);
        QCOMPARE(describe(::sidebarGroups(sessions, now, QTimeZone(2 * 3600))), groups);
    }

    void sidebarGroupsAcrossDaylightSaving()
    {
        const QTimeZone berlin("Europe/Berlin");
        if (!berlin.isValid())
            QSKIP("no time zone data for Europe/Berlin");
        // The clocks went forward on 2026-03-29, so less than 24 hours separate these two,
        // yet they are two calendar days apart.
        const QDateTime updated(QDate(2026, 3, 28), QTime(23, 30), berlin);
        const QDateTime now(QDate(2026, 3, 30), QTime(0, 10), berlin);
        QVERIFY(updated.secsTo(now) < 24 * 3600);
        QCOMPARE(describe(::sidebarGroups({sessionAt(updated, u"s"_s)}, now, berlin)),
                 u"Previous 7 days: s"_s);
    }

    void sidebarGroupWithoutDate()
    {
        ChatSession undated = sessionAt(QDateTime(), u"undated"_s);
        undated.updatedAt = QDateTime();
        const QDateTime now = QDateTime::currentDateTime();
        QCOMPARE(describe(::sidebarGroups({undated}, now)), u"Today: undated"_s);
    }
};

VELM_TEST_MAIN(TestChatRecords)
#include "tst_chatrecords.moc"
