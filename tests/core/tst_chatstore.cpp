#include "core/chatcodec.h"
#include "core/chatstore.h"
#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Role = ChatMessage::Role;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

ChatSession conversation(const QString &question)
{
    ChatSession session
        = ChatSession::create(QDateTime(QDate(2025, 2, 3), QTime(4, 5, 6, 789), Qt::UTC));
    session.messages = {ChatMessage(Role::User, question), ChatMessage(Role::Assistant, u"ok"_s)};
    return session;
}

const QByteArray damaged = R"([{"id":"6BA7B814-9DAD-11D1-80B4-00C04FD430C8","messages":[)";

} // namespace

class TestChatStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;

    QString dataDir() const { return m_dir->filePath(u"data"_s); }
    QString sessionsFile() const { return dataDir() + u"/chatSessions.json"_s; }
    QString oldMessagesFile() const { return dataDir() + u"/mainChatMessages.json"_s; }
    QStringList backups() const
    {
        return QDir(dataDir()).entryList({u"chatSessions.unreadable-*.json"_s}, QDir::Files,
                                         QDir::Name);
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir().mkpath(dataDir()));
        m_settings = std::make_unique<Settings>(m_dir->filePath(u"velm.conf"_s), dataDir());
    }

    void cleanup()
    {
        m_settings.reset();
        m_dir.reset();
    }

    void emptyStore()
    {
        ChatStore store(*m_settings);
        QVERIFY(store.loadSessions().isEmpty());
        QVERIFY(backups().isEmpty());
    }

    void saveAndLoad()
    {
        const QList<ChatSession> sessions{conversation(u"one"_s), conversation(u"two"_s)};
        ChatStore store(*m_settings);
        QVERIFY(store.saveSessions(sessions));
        QCOMPARE(readFile(sessionsFile()), ChatCodec::encodeSessions(sessions));
        QCOMPARE(ChatStore(*m_settings).loadSessions(), sessions);
        // Saving replaces the whole list.
        QVERIFY(store.saveSessions({sessions.at(1)}));
        QCOMPARE(store.loadSessions(), QList<ChatSession>{sessions.at(1)});
    }

    void damagedListIsKept()
    {
        QVERIFY(writeFile(sessionsFile(), damaged));
        ChatStore store(*m_settings);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"chat list could not be read.*unreadable"_s));
        QVERIFY(store.loadSessions().isEmpty());

        QCOMPARE(backups().size(), 1);
        const QString backup = dataDir() + u'/' + backups().at(0);
        QCOMPARE(store.lastBackupPath(), backup);
        QCOMPARE(readFile(backup), damaged);
        QCOMPARE(readFile(sessionsFile()), damaged);

        // Loading the same bytes again makes no second copy and logs nothing.
        QVERIFY(ChatStore(*m_settings).loadSessions().isEmpty());
        QCOMPARE(backups().size(), 1);

        // A save may now replace the list; the copy stays.
        QVERIFY(store.saveSessions({conversation(u"new"_s)}));
        QCOMPARE(store.loadSessions().size(), 1);
        QCOMPARE(readFile(backup), damaged);
    }

    void backupNeverOverwrites()
    {
        // Occupy every name a backup could take in the next few seconds.
        const QDateTime now = QDateTime::currentDateTime();
        QStringList occupied;
        for (int second = 0; second < 5; ++second) {
            const QString stamp = now.addSecs(second).toString(u"yyyyMMdd-HHmmss"_s);
            for (const QString &suffix : {QString(), u"-2"_s}) {
                const QString path
                    = dataDir() + u"/chatSessions.unreadable-"_s + stamp + suffix + u".json"_s;
                QVERIFY(writeFile(path, "older backup " + path.toUtf8()));
                occupied.append(path);
            }
        }
        QVERIFY(writeFile(sessionsFile(), damaged));
        ChatStore store(*m_settings);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read"_s));
        QVERIFY(store.loadSessions().isEmpty());

        for (const QString &path : std::as_const(occupied))
            QCOMPARE(readFile(path), "older backup " + path.toUtf8());
        QVERIFY(!occupied.contains(store.lastBackupPath()));
        QCOMPARE(readFile(store.lastBackupPath()), damaged);
        QCOMPARE(backups().size(), occupied.size() + 1);
    }

    void migration_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("keptSessions");
        QTest::addColumn<bool>("backup");

        const QList<ChatSession> two{conversation(u"a"_s), conversation(u"b"_s)};
        QTest::newRow("no list yet") << QByteArray() << 0 << false;
        QTest::newRow("list kept behind the old chat")
            << ChatCodec::encodeSessions(two) << 2 << false;
        QTest::newRow("unreadable list copied aside") << damaged << 0 << true;
    }

    void migration()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, keptSessions);
        QFETCH(bool, backup);

        const QList<ChatMessage> old{ChatMessage(Role::User, u"old question"_s),
                                     ChatMessage(Role::Assistant, u"old answer"_s)};
        QVERIFY(writeFile(oldMessagesFile(), ChatCodec::encodeMessages(old)));
        if (!stored.isEmpty())
            QVERIFY(writeFile(sessionsFile(), stored));
        if (backup)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not be read"_s));

        const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
        const QList<ChatSession> sessions = ChatStore(*m_settings).loadSessions();
        const QDateTime after = QDateTime::currentDateTimeUtc().addMSecs(1);

        QCOMPARE(sessions.size(), 1 + keptSessions);
        const ChatSession &migrated = sessions.at(0);
        QCOMPARE(migrated.messages, old);
        QVERIFY(!migrated.id.isNull());
        QVERIFY(!migrated.customTitle);
        QVERIFY(!migrated.isArchived);
        QVERIFY(migrated.updatedAt >= before && migrated.updatedAt <= after);
        if (keptSessions > 0)
            QCOMPARE(sessions.mid(1), *ChatCodec::decodeSessions(stored));

        // The old form is gone, the new list is stored, and the move happens only once.
        QVERIFY(!QFile::exists(oldMessagesFile()));
        QCOMPARE(ChatCodec::decodeSessions(readFile(sessionsFile())), std::optional(sessions));
        QCOMPARE(ChatStore(*m_settings).loadSessions(), sessions);
        QCOMPARE(backups().size(), backup ? 1 : 0);
        if (backup)
            QCOMPARE(readFile(dataDir() + u'/' + backups().at(0)), damaged);
    }

    void oldFormIgnored_data()
    {
        QTest::addColumn<QByteArray>("old");
        QTest::newRow("empty array") << QByteArray("[]");
        QTest::newRow("not decodable") << QByteArray(R"([{"id":1}])");
        QTest::newRow("sessions instead of messages")
            << ChatCodec::encodeSessions({conversation(u"x"_s)});
    }

    void oldFormIgnored()
    {
        QFETCH(QByteArray, old);
        const QList<ChatSession> sessions{conversation(u"current"_s)};
        QVERIFY(writeFile(oldMessagesFile(), old));
        QVERIFY(ChatStore(*m_settings).saveSessions(sessions));

        QCOMPARE(ChatStore(*m_settings).loadSessions(), sessions);
        QCOMPARE(readFile(oldMessagesFile()), old);
    }
};

QTEST_GUILESS_MAIN(TestChatStore)
#include "tst_chatstore.moc"
