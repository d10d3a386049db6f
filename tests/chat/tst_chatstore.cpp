#include "base/sqlite.h"
#include "chat/chatcodec.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "support/smallfilesystem.h"
#include "support/testattachments.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <memory>
#include <vector>

#include <csignal>

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

ChatSession conversation(const QString &question, const QString &answer = u"ok"_s)
{
    ChatSession session
        = ChatSession::create(QDateTime(QDate(2025, 2, 3), QTime(4, 5, 6, 789), Qt::UTC));
    session.messages = {ChatMessage(Role::User, question), ChatMessage(Role::Assistant, answer)};
    return session;
}

const Attachment screenshot
    = TestAttachments::image(u"screen.png"_s, QByteArray("\x89PNG\0\xff", 6));
const Attachment notes
    = TestAttachments::document(u"notes.md"_s, u"# Notes\n"_s, u"text/markdown"_s);

// A conversation with every kind of value a message can hold.
ChatSession everything()
{
    ChatSession session = conversation(u"what is new?"_s);
    session.messages[0].attachments = {screenshot, notes};
    session.customTitle = u"News"_s;
    session.isArchived = true;
    session.unknownKeys = {{u"pinned"_s, "true"}};
    ChatMessage &answer = session.messages[1];
    answer.sources = QList<SearchResult>{
        {QUuid::createUuid(), u"A <b>site</b>"_s, u"https://example.com/"_s, u"snippet"_s}};
    answer.reasoning = u"thinking it over"_s;
    answer.thinkingSeconds = 2.5;
    answer.model = u"qwen3-vl"_s;
    answer.stats = AnswerStats{412, false, 38.5, 0.25};
    answer.versions = {
        AnswerVersion{u"first"_s, std::nullopt, {}, {}, u"m1"_s, {}},
        AnswerVersion{u"ok"_s, answer.sources, answer.reasoning, 2.5, u"qwen3-vl"_s, answer.stats}};
    answer.chosenVersion = 1;
    answer.unknownKeys = {{u"rating"_s, "{\"stars\":5}"}};
    session.messages.append(ChatMessage(Role::User, u"and then?"_s));
    session.messages.append(ChatMessage(Role::Assistant, QString()));
    session.messages[3].sources = QList<SearchResult>();
    return session;
}

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

QStringList titles(const QList<ChatSearchHit> &hits)
{
    QStringList titles;
    for (const ChatSearchHit &hit : hits)
        titles.append(hit.title);
    return titles;
}

QString integrity(const QString &path)
{
    QString why;
    const auto db = SqliteDatabase::open(path, SqliteDatabase::Mode::ReadOnly, &why);
    if (!db)
        return why;
    SqliteStatement &check = db->prepare("PRAGMA integrity_check");
    return check.next() ? check.text(0) : db->errorMessage();
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
    QString database() const { return dataDir() + u"/chats.db"_s; }
    QString sessionsFile() const { return dataDir() + u"/chatSessions.json"_s; }
    QString oldMessagesFile() const { return dataDir() + u"/mainChatMessages.json"_s; }
    QStringList files(const QString &pattern) const
    {
        return QDir(dataDir()).entryList({pattern}, QDir::Files, QDir::Name);
    }
    QProcess *startWriter(const QString &name, int count)
    {
        auto *process = new QProcess(this);
        process->start(QStringLiteral(VELM_STORE_WRITER),
                       {m_dir->filePath(u"velm.conf"_s), dataDir(), name, QString::number(count)});
        return process;
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

    void everyValueSurvives()
    {
        const QList<ChatSession> sessions{everything(), conversation(u"two"_s)};
        ChatStore store(*m_settings);
        QVERIFY(store.add(sessions));
        QCOMPARE(load(ChatStore(*m_settings)), sessions);
        QCOMPARE(store.session(sessions.at(0).id).value(), std::optional(sessions.at(0)));
        QCOMPARE(store.session(QUuid::createUuid()).value(), std::nullopt);
    }

    // An attachment is kept once however many questions carry it, and goes with the last.
    void attachmentsAreKeptOnceUntilTheirLastChatGoes()
    {
        ChatSession first = conversation(u"what is on it?"_s);
        first.messages[0].attachments = {screenshot, notes};
        ChatSession second = conversation(u"and this?"_s);
        Attachment renamed = screenshot;
        renamed.name = u"the same picture.png"_s;
        second.messages[0].attachments = {renamed};
        ChatStore store(*m_settings);
        QVERIFY(store.save(first));
        QVERIFY(store.save(second));

        const auto stored = [this] {
            QString why;
            const auto db = SqliteDatabase::open(database(), SqliteDatabase::Mode::ReadOnly, &why);
            SqliteStatement &count = db->prepare("SELECT count(*) FROM attachments");
            return count.next() ? count.integer(0) : -1;
        };
        QCOMPARE(stored(), 2);
        QCOMPARE(store.session(second.id).value()->messages.at(0).attachments,
                 second.messages.at(0).attachments);

        // A question saved again, its answer added, keeps its files as they were.
        second.messages.append(ChatMessage(Role::User, u"more?"_s));
        QVERIFY(store.save(second, 1));
        QCOMPARE(store.session(second.id).value(), std::optional(second));

        QVERIFY(store.remove(first.id));
        QCOMPARE(stored(), 1);
        QCOMPARE(store.session(second.id).value()->messages.at(0).attachments.at(0).data,
                 screenshot.data);
        // A question rewritten without its file, and the file is gone with it.
        second.messages[0].attachments.clear();
        QVERIFY(store.save(second, 0, 1));
        QCOMPARE(stored(), 0);
        QCOMPARE(integrity(database()), u"ok"_s);
    }

    void summariesHoldTheRecordAndTheFirstQuestion()
    {
        ChatSession renamed = everything();
        ChatSession untitled = conversation(QString(2000, u'q'));
        untitled.messages.prepend(ChatMessage(Role::Assistant, u"greeting"_s));
        ChatStore store(*m_settings);
        QVERIFY(store.add({renamed, untitled}));

        const QList<ChatSession> summaries = store.summaries().value();
        QCOMPARE(summaries.size(), 2);
        QCOMPARE(summaries.at(0).title(), u"News"_s);
        QVERIFY(summaries.at(0).isArchived);
        QCOMPARE(summaries.at(0).unknownKeys, renamed.unknownKeys);
        QCOMPARE(summaries.at(1).title(), QString(300, u'q'));
        QCOMPARE(summaries.at(1).updatedAt, untitled.updatedAt);
        for (const ChatSession &summary : summaries)
            QVERIFY(!summary.complete);
    }

    // Each change writes its part; the new conversations go to the top of the list.
    void changesWriteWhatChanged()
    {
        ChatStore store(*m_settings);
        ChatSession first = conversation(u"first"_s);
        ChatSession second = conversation(u"second"_s);
        QVERIFY(store.save(first));
        QVERIFY(store.save(second));
        QCOMPARE(load(store), (QList<ChatSession>{second, first}));

        // A question and its answer added, a title given.
        first.messages.append(ChatMessage(Role::User, u"more"_s));
        first.messages.append(ChatMessage(Role::Assistant, u"sure"_s));
        first.customTitle = u"Renamed"_s;
        QVERIFY(store.save(first, 2));
        QCOMPARE(store.session(first.id).value(), std::optional(first));

        // An edit drops what followed the question.
        first.messages[2].text = u"less"_s;
        first.messages.resize(3);
        QVERIFY(store.save(first, 2));
        QCOMPARE(store.session(first.id).value(), std::optional(first));

        // A summary writes its record alone and never drops messages.
        ChatSession summary = store.summaries().value().at(1);
        summary.isArchived = true;
        QVERIFY(store.save(summary));
        first.isArchived = true;
        QCOMPARE(store.session(first.id).value(), std::optional(first));

        QVERIFY(store.remove(second.id));
        QCOMPARE(load(store), QList<ChatSession>{first});
        QVERIFY(store.removeAll());
        QVERIFY(load(store).isEmpty());
    }

    // A conversation another process deleted while this one changed it comes back whole.
    void changedAfterADeleteElsewhereComesBackWhole()
    {
        ChatStore ours(*m_settings);
        ChatSession session = conversation(u"kept"_s);
        QVERIFY(ours.save(session));
        QVERIFY(ChatStore(*m_settings).remove(session.id));
        session.messages.append(ChatMessage(Role::User, u"still here?"_s));
        QVERIFY(ours.save(session, 2));
        QCOMPARE(load(ours), QList<ChatSession>{session});
    }

    void changesOfOtherProcessesAreSeen()
    {
        ChatStore ours(*m_settings);
        const ChatSession kept = conversation(u"kept"_s);
        const ChatSession gone = conversation(u"gone"_s);
        QVERIFY(ours.add({kept, gone}));
        QVERIFY(ours.summaries());
        QCOMPARE(ours.changes().value(), std::nullopt);

        // Our own writes are no news.
        QVERIFY(ours.save(kept, 0, 0));
        QCOMPARE(ours.changes().value(), std::nullopt);

        ChatStore theirs(*m_settings);
        const ChatSession added = conversation(u"added"_s);
        QVERIFY(theirs.save(added));
        QVERIFY(theirs.setGeneratedTitle(kept.id, u"Titled"_s));
        QVERIFY(theirs.remove(gone.id));
        const std::optional<ChatStoreChanges> changes = ours.changes().value();
        QVERIFY(changes);
        QStringList changed;
        for (const ChatSession &session : changes->changed)
            changed.append(session.title());
        QCOMPARE(changed, (QStringList{u"added"_s, u"Titled"_s}));
        QCOMPARE(changes->stored, (QList<QUuid>{added.id, kept.id}));
        QCOMPARE(ours.changes().value(), std::nullopt);

        // A generated title never replaces one given meanwhile.
        QVERIFY(theirs.setGeneratedTitle(kept.id, u"Later"_s));
        QCOMPARE(ours.session(kept.id).value()->customTitle, u"Titled"_s);
    }

    void migration_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("old");
        QTest::addColumn<int>("expected");

        const QByteArray two = ChatCodec::encodeSessions({everything(), conversation(u"b"_s)});
        const QByteArray oldChat = ChatCodec::encodeMessages(
            {ChatMessage(Role::User, u"old question"_s), ChatMessage(Role::Assistant, u"old"_s)});
        QTest::newRow("a list") << two << QByteArray() << 2;
        QTest::newRow("the older single chat alone") << QByteArray() << oldChat << 1;
        QTest::newRow("both: the older chat at the top") << two << oldChat << 3;
        QTest::newRow("an empty list") << QByteArray("[]") << QByteArray() << 0;
        QTest::newRow("an older form that is empty") << two << QByteArray("[]") << 2;
    }

    void migration()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, old);
        QFETCH(int, expected);
        if (!stored.isEmpty())
            QVERIFY(writeFile(sessionsFile(), stored));
        if (!old.isEmpty())
            QVERIFY(writeFile(oldMessagesFile(), old));

        const QList<ChatSession> sessions = load(ChatStore(*m_settings));
        QCOMPARE(sessions.size(), expected);
        const bool oldChat = !old.isEmpty() && old != "[]";
        if (oldChat)
            QCOMPARE(sessions.at(0).messages.at(0).text, u"old question"_s);
        if (!stored.isEmpty())
            QCOMPARE(sessions.mid(oldChat ? 1 : 0), *ChatCodec::decodeSessions(stored));

        // The files stay beside the database, under names that are not read again.
        QVERIFY(!QFile::exists(sessionsFile()));
        QVERIFY(!QFile::exists(oldMessagesFile()));
        if (!stored.isEmpty())
            QCOMPARE(readFile(sessionsFile() + u".migrated"_s), stored);
        if (!old.isEmpty())
            QCOMPARE(readFile(oldMessagesFile() + u".migrated"_s), old);
        QCOMPARE(load(ChatStore(*m_settings)), sessions);
    }

    // A move that fails half way (here a trigger stops it at the second chat, as a crash
    // would) leaves the file as it was and the database without any of it; the next start
    // moves everything, once.
    void interruptedMigrationIsDoneAgain()
    {
        const QList<ChatSession> three{conversation(u"a"_s), conversation(u"b"_s, u"boom"_s),
                                       conversation(u"c"_s)};
        const QByteArray stored = ChatCodec::encodeSessions(three);
        QVERIFY(writeFile(sessionsFile(), stored));
        {
            ChatStore prepare(*m_settings);
            QVERIFY(QFile::rename(sessionsFile(), sessionsFile() + u".aside"_s));
            QVERIFY(prepare.summaries());
            QVERIFY(QFile::rename(sessionsFile() + u".aside"_s, sessionsFile()));
        }
        QString why;
        {
            const auto db = SqliteDatabase::open(database(), SqliteDatabase::Mode::ReadWrite, &why);
            QVERIFY2(db, qPrintable(why));
            QVERIFY(db->exec("CREATE TRIGGER crash BEFORE INSERT ON messages WHEN new.text = "
                             "'boom' BEGIN SELECT RAISE(ABORT, 'crashed'); END"));
        }

        const ChatStoreResult<QList<ChatSession>> failed = ChatStore(*m_settings).summaries();
        QVERIFY(!failed);
        QVERIFY2(failed.error().reason.contains(u"crashed"_s), qPrintable(failed.error().reason));
        QCOMPARE(readFile(sessionsFile()), stored);
        {
            const auto db = SqliteDatabase::open(database(), SqliteDatabase::Mode::ReadWrite, &why);
            SqliteStatement &count = db->prepare("SELECT count(*) FROM chats");
            QVERIFY(count.next());
            QCOMPARE(count.integer(0), 0);
            QVERIFY(db->exec("DROP TRIGGER crash"));
        }

        QCOMPARE(load(ChatStore(*m_settings)), three);
        QVERIFY(!QFile::exists(sessionsFile()));
        QCOMPARE(load(ChatStore(*m_settings)), three);
    }

    void damagedListIsCopiedAsideFirst()
    {
        QVERIFY(writeFile(sessionsFile(), damaged));
        ChatStore store(*m_settings);
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(u"chat list could not be read.*unreadable"_s));
        QVERIFY(load(store).isEmpty());

        const QStringList backups = files(u"chatSessions.unreadable-*.json"_s);
        QCOMPARE(backups.size(), 1);
        QCOMPARE(store.lastBackupPath(), dataDir() + u'/' + backups.at(0));
        QCOMPARE(readFile(store.lastBackupPath()), damaged);
        QCOMPARE(readFile(sessionsFile() + u".migrated"_s), damaged);
        // The database takes chats at once.
        QVERIFY(store.save(conversation(u"new"_s)));
        QCOMPARE(load(ChatStore(*m_settings)).size(), 1);
    }

    void unreadableStoreStopsEverySave_data()
    {
        QTest::addColumn<QString>("problem");
        QTest::newRow("a folder in its place") << u"folder"_s;
        QTest::newRow("not a database") << u"garbage"_s;
        QTest::newRow("no permission to read") << u"permission"_s;
    }

    // A store that is there but cannot be read must not be replaced by what a window or
    // `velm ask --save` would write without it.
    void unreadableStoreStopsEverySave()
    {
        QFETCH(QString, problem);
        QByteArray before;
        if (problem == u"folder"_s) {
            QVERIFY(QDir().mkpath(database()));
        } else if (problem == u"garbage"_s) {
            before = QByteArray(8192, 'x');
            QVERIFY(writeFile(database(), before));
        } else {
            if (::geteuid() == 0)
                QSKIP("root reads any file; the command line tests run this as another user");
            QVERIFY(ChatStore(*m_settings).save(conversation(u"a"_s)));
            before = readFile(database());
            QVERIFY(QFile::setPermissions(database(), QFile::WriteOwner));
        }

        ChatStore store(*m_settings);
        const ChatStoreResult<QList<ChatSession>> loaded = store.summaries();
        QVERIFY(!loaded);
        QCOMPARE(loaded.error().kind, ChatStoreError::Kind::Unreadable);
        QCOMPARE(loaded.error().path, database());
        QVERIFY(!loaded.error().reason.isEmpty());
        const ChatStoreResult<void> saved = store.save(conversation(u"new"_s));
        QVERIFY(!saved);
        QCOMPARE(saved.error().kind, ChatStoreError::Kind::Unreadable);
        if (problem == u"folder"_s) {
            QVERIFY(QFileInfo(database()).isDir());
        } else {
            QVERIFY(QFile::setPermissions(database(), QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(readFile(database()), before);
        }
    }

    // A full disk fails the write that does not fit, and keeps everything before it.
    void fullDiskKeepsWhatWasStored()
    {
        SmallFileSystem disk(1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        Settings settings(disk.filePath(u"velm.conf"_s), disk.filePath(u"velm"_s));
        ChatStore store(settings);
        const QList<ChatSession> three{conversation(u"a"_s), conversation(u"b"_s),
                                       conversation(u"c"_s)};
        QVERIFY(store.add(three));
        QVERIFY(disk.fill());

        ChatSession big = conversation(u"lost to the full disk"_s, QString(200'000, u'x'));
        const ChatStoreResult<void> saved = store.save(big);
        QVERIFY(!saved);
        QCOMPARE(saved.error().kind, ChatStoreError::Kind::Unwritable);
        QVERIFY2(saved.error().reason.contains(u"No space left"_s),
                 qPrintable(saved.error().reason));
        QCOMPARE(load(ChatStore(settings)), three);
        QCOMPARE(integrity(ChatStore::path(settings)), u"ok"_s);
    }

    // Processes that write at the same time wait for each other: every chat they add is
    // there at the end, and the database is sound.
    void concurrentWritersLoseNothing()
    {
        constexpr int writers = 8;
        constexpr int chatsEach = 25;
        std::vector<QProcess *> processes;
        for (int i = 0; i < writers; ++i)
            processes.push_back(startWriter(u"writer%1"_s.arg(i), chatsEach));
        for (QProcess *process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->readAllStandardError(), QByteArray());
            QCOMPARE(process->exitCode(), 0);
        }

        QSet<QString> questions;
        for (const ChatSession &session : load(ChatStore(*m_settings)))
            questions.insert(session.messages.at(0).text);
        QCOMPARE(questions.size(), writers * chatsEach);
        QCOMPARE(integrity(database()), u"ok"_s);
    }

    // A writer killed at any moment leaves a database that opens with every chat it
    // reported stored.
    void killedWriterLeavesWhatItCommitted()
    {
        QProcess *writer = startWriter(u"killed"_s, 100000);
        QByteArray output;
        // Killed in the middle of its work, after it stored a few.
        while (output.count('\n') < 20 && writer->waitForReadyRead(10000))
            output += writer->readAllStandardOutput();
        ::kill(writer->processId(), SIGKILL);
        QVERIFY(writer->waitForFinished(5000));
        output += writer->readAllStandardOutput();
        QSet<QString> reported;
        for (const QByteArray &line : output.split('\n')) {
            if (!line.isEmpty())
                reported.insert(QString::fromUtf8(line));
        }

        QCOMPARE(integrity(database()), u"ok"_s);
        QSet<QString> stored;
        for (const ChatSession &session : load(ChatStore(*m_settings)))
            stored.insert(session.messages.at(0).text);
        QVERIFY(stored.size() > 10);
        // What it said it stored is there; at most the one it was writing is not reported.
        for (const QString &question : std::as_const(reported))
            QVERIFY2(stored.contains(question), qPrintable(question));
        QVERIFY(stored.size() - reported.size() <= 1);
    }

    void search_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("diacritics are ignored") << u"resume"_s << QStringList{u"Jobs"_s};
        QTest::newRow("and written") << u"Résumé"_s << QStringList{u"Jobs"_s};
        QTest::newRow("the last word is a prefix") << u"photosynth"_s << QStringList{u"Plants"_s};
        QTest::newRow("earlier words are whole") << u"photosynth light"_s << QStringList();
        QTest::newRow("a phrase is a phrase") << u"\"green leaves\""_s << QStringList{u"Plants"_s};
        QTest::newRow("words in another order are no phrase")
            << u"\"leaves green\""_s << QStringList();
        QTest::newRow("operators are words") << u"NOT OR"_s << QStringList();
        QTest::newRow("a title the user gave") << u"jobs"_s << QStringList{u"Jobs"_s};
        QTest::newRow("archived chats are found") << u"archived"_s << QStringList{u"Old stuff"_s};
        QTest::newRow("markup is only text")
            << u"script"_s << QStringList{u"<script>alert(1)</script>"_s};
        QTest::newRow("nothing") << u"zebra"_s << QStringList();
        QTest::newRow("blank") << u"   "_s << QStringList();
        QTest::newRow("quotes only") << u"\"\""_s << QStringList();
    }

    void search()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        ChatSession jobs = conversation(u"Can you check my résumé?"_s, u"Sure."_s);
        jobs.customTitle = u"Jobs"_s;
        ChatSession plants = conversation(u"How do plants eat?"_s,
                                          u"Photosynthesis: green leaves turn light into sugar."_s);
        plants.customTitle = u"Plants"_s;
        ChatSession archived = conversation(u"an archived question"_s);
        archived.customTitle = u"Old stuff"_s;
        archived.isArchived = true;
        ChatSession markup = conversation(u"<script>alert(1)</script>"_s);
        ChatStore store(*m_settings);
        QVERIFY(store.add({jobs, plants, archived, markup}));

        const ChatStoreResult<QList<ChatSearchHit>> hits = store.search(query, 20);
        QVERIFY2(hits, hits ? "" : qPrintable(hits.error().message()));
        QCOMPARE(titles(hits.value()), expected);
        for (const ChatSearchHit &hit : hits.value()) {
            QCOMPARE(hit.isArchived, hit.title == u"Old stuff"_s);
            QVERIFY(!hit.marks.isEmpty());
            for (const TextSpan &mark : hit.marks)
                QVERIFY(mark.start >= 0 && mark.start + mark.length <= hit.snippet.size());
        }
    }

    // A large addition (an earlier velm's list moved in) builds the index at its end; what
    // comes after is indexed as it comes, and a large import into it keeps both.
    void largeAdditionsAreSearchable()
    {
        QList<ChatSession> many;
        for (int i = 0; i < 300; ++i)
            many.append(conversation(u"question %1"_s.arg(i), u"answer%1"_s.arg(i)));
        many[299].customTitle = u"Kangaroo"_s;
        ChatStore store(*m_settings);
        QVERIFY(store.add(many));
        QVERIFY(store.save(conversation(u"wombat"_s)));
        QCOMPARE(titles(store.search(u"answer17 "_s, 5).value()), QStringList{u"question 17"_s});
        QCOMPARE(titles(store.search(u"kangaroo"_s, 5).value()), QStringList{u"Kangaroo"_s});
        QCOMPARE(titles(store.search(u"wombat"_s, 5).value()), QStringList{u"wombat"_s});

        QList<ChatSession> more;
        for (int i = 0; i < 400; ++i)
            more.append(conversation(u"later %1"_s.arg(i), u"koala%1"_s.arg(i)));
        QVERIFY(store.add(more));
        QCOMPARE(titles(store.search(u"answer17 "_s, 5).value()), QStringList{u"question 17"_s});
        QCOMPARE(titles(store.search(u"koala399"_s, 5).value()), QStringList{u"later 399"_s});
        QVERIFY(store.save(conversation(u"platypus"_s)));
        QCOMPARE(titles(store.search(u"platypus"_s, 5).value()), QStringList{u"platypus"_s});
        QCOMPARE(integrity(database()), u"ok"_s);
    }

    void snippetShowsAMatchDeepInALongAnswer()
    {
        QString answer;
        for (int i = 0; i < 2000; ++i)
            answer += u"filler%1 "_s.arg(i);
        answer += u"\nthe needle\tis here "_s + QString(5000, u'z');
        const ChatSession session = conversation(u"question"_s, answer);
        ChatStore store(*m_settings);
        QVERIFY(store.add({conversation(u"other needle"_s), session}));

        const QList<ChatSearchHit> hits = store.search(u"needle is"_s, 20).value();
        QCOMPARE(hits.size(), 1);
        const ChatSearchHit &hit = hits.at(0);
        QCOMPARE(hit.chatId, session.id);
        QCOMPARE(hit.messageId, session.messages.at(1).id);
        QVERIFY2(hit.snippet.contains(u"the needle is here"_s), qPrintable(hit.snippet));
        QVERIFY(hit.snippet.size() < 400);
        QCOMPARE(hit.marks.size(), 2);
        QCOMPARE(hit.snippet.mid(hit.marks.at(0).start, hit.marks.at(0).length), u"needle"_s);
        QCOMPARE(hit.snippet.mid(hit.marks.at(1).start, hit.marks.at(1).length), u"is"_s);
    }

    void dailyBackupsKeepTheLastSeven()
    {
        ChatStore store(*m_settings);
        QVERIFY(store.save(conversation(u"backed up"_s)));
        const QString backups = dataDir() + u"/backups"_s;
        QVERIFY(QDir().mkpath(backups));
        const QDate today = QDate::currentDate();
        for (int day = 8; day >= 1; --day) {
            const QString name
                = u"/chats-%1-120000.db"_s.arg(today.addDays(-day).toString(u"yyyyMMdd"_s));
            QVERIFY(writeFile(backups + name, "older"));
        }

        store.backUpDaily();
        QThreadPool::globalInstance()->waitForDone();
        QStringList kept = QDir(backups).entryList(QDir::Files, QDir::Name);
        QCOMPARE(kept.size(), 7);
        QVERIFY(kept.last().startsWith(u"chats-"_s + today.toString(u"yyyyMMdd"_s)));
        Settings copy(m_dir->filePath(u"copy.conf"_s), m_dir->filePath(u"copy"_s));
        QVERIFY(QDir().mkpath(copy.dataDirectory()));
        QVERIFY(QFile::copy(backups + u'/' + kept.last(), ChatStore::path(copy)));
        QCOMPARE(load(ChatStore(copy)).size(), 1);

        // Once a day at most.
        store.backUpDaily();
        QThreadPool::globalInstance()->waitForDone();
        QCOMPARE(QDir(backups).entryList(QDir::Files, QDir::Name), kept);
    }
};

VELM_TEST_MAIN(TestChatStore)
#include "tst_chatstore.moc"
