#include "base/atomicfile.h"
#include "chat/chatcodec.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "support/smallfilesystem.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

#include <unistd.h>

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

QList<ChatSession> load(ChatStore &store)
{
    const ChatStoreResult<QList<ChatSession>> stored = store.load();
    if (!stored)
        qWarning("%s", qPrintable(stored.error().message()));
    return stored.value_or({});
}

QList<ChatSession> load(ChatStore &&store)
{
    return load(store);
}

bool replace(ChatStore &store, const QList<ChatSession> &sessions)
{
    return store
        .update([&sessions](QList<ChatSession> &stored) {
            stored = sessions;
            return true;
        })
        .ok();
}

bool replace(ChatStore &&store, const QList<ChatSession> &sessions)
{
    return replace(store, sessions);
}

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
        QVERIFY(load(store).isEmpty());
        QVERIFY(backups().isEmpty());
    }

    void saveAndLoad()
    {
        const QList<ChatSession> sessions{conversation(u"one"_s), conversation(u"two"_s)};
        ChatStore store(*m_settings);
        QVERIFY(replace(store, sessions));
        QCOMPARE(readFile(sessionsFile()), ChatCodec::encodeSessions(sessions));
        QCOMPARE(load(ChatStore(*m_settings)), sessions);
        QVERIFY(replace(store, {sessions.at(1)}));
        QCOMPARE(load(store), QList<ChatSession>{sessions.at(1)});
    }

    void damagedListIsKept()
    {
        QVERIFY(writeFile(sessionsFile(), damaged));
        ChatStore store(*m_settings);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"chat list could not be read.*unreadable"_s));
        QVERIFY(load(store).isEmpty());

        QCOMPARE(backups().size(), 1);
        const QString backup = dataDir() + u'/' + backups().at(0);
        QCOMPARE(store.lastBackupPath(), backup);
        QCOMPARE(readFile(backup), damaged);
        QCOMPARE(readFile(sessionsFile()), damaged);

        // Loading the same bytes again makes no second copy and logs nothing.
        QVERIFY(load(ChatStore(*m_settings)).isEmpty());
        QCOMPARE(backups().size(), 1);

        // A change may now replace the list; the copy stays.
        QVERIFY(replace(store, {conversation(u"new"_s)}));
        QCOMPARE(load(store).size(), 1);
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
        QVERIFY(load(store).isEmpty());

        for (const QString &path : std::as_const(occupied))
            QCOMPARE(readFile(path), "older backup " + path.toUtf8());
        QVERIFY(!occupied.contains(store.lastBackupPath()));
        QCOMPARE(readFile(store.lastBackupPath()), damaged);
        QCOMPARE(backups().size(), occupied.size() + 1);
    }

    void unreadableStoreStopsEverySave_data()
    {
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("a folder in its place") << true;
        QTest::newRow("no permission to read") << false;
    }

    // Only a missing file means "no chats": a list that is there but cannot be read must not
    // be replaced by what a window or `velm ask --save` would write without it.
    void unreadableStoreStopsEverySave()
    {
        QFETCH(bool, folderInItsPlace);
        const QList<ChatSession> four{conversation(u"a"_s), conversation(u"b"_s),
                                      conversation(u"c"_s), conversation(u"d"_s)};
        QByteArray before;
        if (folderInItsPlace) {
            QVERIFY(QDir().mkpath(sessionsFile()));
        } else {
            if (::geteuid() == 0)
                QSKIP("root reads any file; the command line tests run this as another user");
            QVERIFY(replace(ChatStore(*m_settings), four));
            before = readFile(sessionsFile());
            QVERIFY(QFile::setPermissions(sessionsFile(), QFile::WriteOwner));
        }

        ChatStore store(*m_settings);
        const ChatStoreResult<QList<ChatSession>> loaded = store.load();
        QVERIFY(!loaded);
        QCOMPARE(loaded.error().kind, ChatStoreError::Kind::Unreadable);
        QCOMPARE(loaded.error().path, sessionsFile());
        QVERIFY(!loaded.error().reason.isEmpty());

        bool changeRan = false;
        const auto updated = store.update([&changeRan](QList<ChatSession> &sessions) {
            changeRan = true;
            sessions.prepend(conversation(u"new"_s));
            return true;
        });
        QVERIFY(!updated);
        QCOMPARE(updated.error().kind, ChatStoreError::Kind::Unreadable);
        QVERIFY(!changeRan);
        QVERIFY(backups().isEmpty());
        if (folderInItsPlace) {
            QVERIFY(QFileInfo(sessionsFile()).isDir());
        } else {
            QVERIFY(QFile::setPermissions(sessionsFile(), QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(readFile(sessionsFile()), before);
            // Readable again, the store takes changes again, on top of all four.
            QVERIFY(store.update([](QList<ChatSession> &sessions) {
                sessions.prepend(conversation(u"new"_s));
                return true;
            }));
            QCOMPARE(load(store).size(), 5);
        }
    }

    // A full disk used to leave an empty file behind a save that reported success.
    void fullDiskKeepsWhatWasStored()
    {
        SmallFileSystem disk;
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        Settings settings(disk.filePath(u"velm.conf"_s), disk.filePath(u"velm"_s));
        ChatStore store(settings);
        const QList<ChatSession> three{conversation(u"a"_s), conversation(u"b"_s),
                                       conversation(u"c"_s)};
        QVERIFY(replace(store, three));
        const QString file = settings.dataFilePath(SettingsKeys::chatSessions);
        const QByteArray before = readFile(file);
        const QString exported = disk.filePath(u"export.json"_s);
        QVERIFY(AtomicFile::write(exported, "[\"earlier export\"]"));
        QVERIFY(disk.fill());

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(u"could not write"_s));
        const auto updated = store.update([](QList<ChatSession> &sessions) {
            sessions.prepend(conversation(u"lost to the full disk"_s));
            return true;
        });
        QVERIFY(!updated);
        QCOMPARE(updated.error().kind, ChatStoreError::Kind::Unwritable);
        QVERIFY2(updated.error().reason.contains(u"No space left"_s),
                 qPrintable(updated.error().reason));
        QCOMPARE(readFile(file), before);
        QCOMPARE(load(ChatStore(settings)), three);

        QString why;
        QVERIFY(!AtomicFile::write(exported, QByteArray(100, 'x'), &why));
        QVERIFY2(why.contains(u"No space left"_s), qPrintable(why));
        QCOMPARE(readFile(exported), QByteArray("[\"earlier export\"]"));
        // Nothing half written is left beside the files either.
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files),
                 (QStringList{u"export.json"_s, u"filler"_s}));
        QCOMPARE(QDir(settings.dataDirectory()).entryList(QDir::Files),
                 (QStringList{u"chatSessions.json"_s, u"chatSessions.lock"_s}));
    }

    // Processes that change the store at the same time each read what the others wrote
    // before them: every chat they add is there at the end.
    void concurrentWritersLoseNothing()
    {
        constexpr int writers = 8;
        constexpr int chatsEach = 25;
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < writers; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process->start(QStringLiteral(VELM_STORE_WRITER),
                           {m_dir->filePath(u"velm.conf"_s), dataDir(), u"writer%1"_s.arg(i),
                            QString::number(chatsEach)});
            processes.push_back(std::move(process));
        }
        for (const auto &process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->exitCode(), 0);
        }

        QSet<QString> questions;
        for (const ChatSession &session : load(ChatStore(*m_settings)))
            questions.insert(session.messages.at(0).text);
        QCOMPARE(questions.size(), writers * chatsEach);
        for (int i = 0; i < writers; ++i)
            QVERIFY(questions.contains(u"writer%1 %2"_s.arg(i).arg(chatsEach - 1)));
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
        const QList<ChatSession> sessions = load(ChatStore(*m_settings));
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
        QCOMPARE(load(ChatStore(*m_settings)), sessions);
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
        QVERIFY(replace(ChatStore(*m_settings), sessions));

        QCOMPARE(load(ChatStore(*m_settings)), sessions);
        QCOMPARE(readFile(oldMessagesFile()), old);
    }
};

VELM_TEST_MAIN(TestChatStore)
#include "tst_chatstore.moc"
