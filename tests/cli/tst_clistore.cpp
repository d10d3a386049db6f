#include "base/sqlite.h"
#include "chat/appevents.h"
#include "chat/chatcodec.h"
#include "chat/chatlist.h"
#include "chat/chatstore.h"
#include "chat/settingskeys.h"
#include "cli/askhome.h"
#include "support/smallfilesystem.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

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

QList<ChatSession> fourChats()
{
    QList<ChatSession> chats;
    for (int i = 0; i < 4; ++i) {
        ChatSession chat = ChatSession::create(QDateTime::currentDateTimeUtc().addDays(-i));
        chat.messages.append(ChatMessage(ChatMessage::Role::User, u"Earlier %1"_s.arg(i)));
        chats.append(chat);
    }
    return chats;
}

QStringList askAndSave(const AskHome &s, const QString &question)
{
    return s.arguments(u"never"_s, {u"--save"_s, question});
}

} // namespace

// The command line shares the chat store with the desktop app and with itself: what it
// writes must never cost a chat, whatever else writes at the same time and however the disk
// misbehaves.
class TestCliStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void concurrentSavesKeepEveryChat()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Fine."_s});
        s.model.setCompletion(u"A title"_s);
        QVERIFY(StoredChats::write(*s.home.settings(), fourChats()));

        constexpr int processes = 20;
        std::vector<std::unique_ptr<QProcess>> runs;
        for (int i = 0; i < processes; ++i) {
            runs.push_back(std::make_unique<QProcess>());
            s.home.start(*runs.back(), askAndSave(s, u"Question %1"_s.arg(i)));
        }
        // The app keeps writing its own changes meanwhile, and this event loop serves the
        // fake server.
        AppEvents events;
        const auto settings = s.home.settings();
        ChatStore store(*settings);
        ChatList app(store, events);
        const QUuid renamed = app.sessions().at(0).id;
        int renames = 0;
        const auto running = [&runs] {
            return std::any_of(runs.cbegin(), runs.cend(), [](const auto &run) {
                return run->state() != QProcess::NotRunning;
            });
        };
        QDeadlineTimer deadline(60000);
        while (running() && !deadline.hasExpired()) {
            app.rename(renamed, u"Renamed %1"_s.arg(++renames));
            QTest::qWait(5);
        }
        QVERIFY(app.storeNotice().kind == StoreNotice::Kind::None);
        for (const auto &run : runs) {
            QCOMPARE(run->state(), QProcess::NotRunning);
            QVERIFY2(run->exitCode() == 0, run->readAllStandardError().constData());
        }

        const QList<ChatSession> stored = StoredChats::read(*s.home.settings());
        QCOMPARE(stored.size(), 4 + processes);
        QCOMPARE(store.session(renamed).value()->customTitle, u"Renamed %1"_s.arg(renames));
        QString why;
        const auto db = SqliteDatabase::open(ChatStore::path(*s.home.settings()),
                                             SqliteDatabase::Mode::ReadOnly, &why);
        QVERIFY2(db, qPrintable(why));
        SqliteStatement &check = db->prepare("PRAGMA integrity_check");
        QVERIFY(check.next());
        QCOMPARE(check.text(0), u"ok"_s);
        QSet<QString> questions;
        for (const ChatSession &chat : stored) {
            questions.insert(chat.messages.at(0).text);
            if (!chat.messages.at(0).text.startsWith(u"Earlier"_s))
                QCOMPARE(chat.customTitle, std::optional(u"A title"_s));
        }
        for (int i = 0; i < processes; ++i)
            QVERIFY(questions.contains(u"Question %1"_s.arg(i)));
    }

    void fullDisk_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("pagesLeft");
        QTest::newRow("ask --save") << u"ask"_s << 0;
        QTest::newRow("export") << u"export"_s << 0;
        // A page left is what it takes for QSettings to empty its file and call it success.
        QTest::newRow("config, a page left") << u"config"_s << 1;
        QTest::newRow("config") << u"config"_s << 0;
    }

    // On a full disk these used to exit 0, leaving an empty store, export or settings file.
    void fullDisk()
    {
        QFETCH(QString, command);
        QFETCH(int, pagesLeft);
        SmallFileSystem disk(1024);
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        AskHome s;
        QVERIFY(s.listening);
        s.home.setEnvironment(u"XDG_DATA_HOME"_s, disk.path());
        s.home.setEnvironment(u"XDG_CONFIG_HOME"_s, disk.path());
        s.model.setStream({u"An answer that will not fit."_s});
        s.model.setCompletion(u"Title"_s);
        Settings settings(disk.filePath(u"velm/velm.conf"_s), disk.filePath(u"velm"_s));
        settings.setUserName(u"Ada"_s);
        QCOMPARE(settings.userName(), u"Ada"_s);
        const QList<ChatSession> four = fourChats();
        QVERIFY(StoredChats::write(settings, four));
        const QString exported = disk.filePath(u"velm-chats.json"_s);
        QVERIFY(writeFile(exported, "[\"the previous export\"]\n"));
        const QStringList files{settings.fileName(), exported};
        QList<QByteArray> before;
        for (const QString &file : files)
            before.append(fileBytes(file));
        QVERIFY(disk.fill(pagesLeft * 4096));

        QStringList arguments{u"config"_s, u"userName"_s, u"Grace"_s};
        if (command == u"ask"_s)
            arguments = askAndSave(s, u"Will this be kept?"_s);
        else if (command == u"export"_s)
            arguments = {u"export"_s, exported};
        const VelmRun run = s.home.run(arguments);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(!run.outText().contains(u"Exported"_s));
        if (command != u"config"_s)
            QVERIFY2(run.errText().contains(u"No space left on device"_s), run.err.constData());
        for (qsizetype i = 0; i < files.size(); ++i)
            QCOMPARE(fileBytes(files.at(i)), before.at(i));
        QCOMPARE(StoredChats::read(settings), four);
    }

    void unreadableStore_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("folderInItsPlace");
        QTest::newRow("ask --save, no permission to read") << u"ask"_s << false;
        QTest::newRow("export, no permission to read") << u"export"_s << false;
        QTest::newRow("ask --save, a folder in its place") << u"ask"_s << true;
        QTest::newRow("export, a folder in its place") << u"export"_s << true;
    }

    // A store that can be written but not read used to read as "no chats": `velm ask --save`
    // replaced four chats with one, and `velm export` wrote "[]" and exited 0.
    void unreadableStore()
    {
        QFETCH(QString, command);
        QFETCH(bool, folderInItsPlace);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"An answer."_s});
        const QString store = ChatStore::path(*s.home.settings());
        QByteArray before;
        if (folderInItsPlace) {
            QVERIFY(QDir().mkpath(store));
        } else {
            QVERIFY(StoredChats::write(*s.home.settings(), fourChats()));
            before = fileBytes(store);
            QVERIFY(QFile::setPermissions(store, QFile::WriteOwner));
            // Root reads every file: velm runs as another user then, who owns the s.home.
            if (::geteuid() == 0) {
                QCOMPARE(QProcess::execute(u"chown"_s, {u"-R"_s, u"65534:65534"_s, s.home.path()}),
                         0);
                s.home.setLauncher({u"setpriv"_s, u"--reuid=65534"_s, u"--regid=65534"_s,
                                    u"--clear-groups"_s, u"--"_s});
            }
        }
        QTemporaryDir target;
        QVERIFY(QFile::setPermissions(target.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                          | QFile::WriteOther | QFile::ExeOther));
        const QString exported = target.filePath(u"chats.json"_s);

        const VelmRun run
            = s.home.run(command == u"ask"_s ? askAndSave(s, u"Will this replace them?"_s)
                                             : QStringList{u"export"_s, exported});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errText().contains(u"could not be read"_s), run.err.constData());
        QVERIFY2(run.errText().contains(QDir::toNativeSeparators(store)), run.err.constData());
        QVERIFY(!QFile::exists(exported));
        if (folderInItsPlace) {
            QVERIFY(QFileInfo(store).isDir());
        } else {
            QVERIFY(QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner));
            QCOMPARE(fileBytes(store), before);
        }
    }

    // What a newer velm stored with a chat or a message stays through a save by this one.
    void newerKeysSurviveASave()
    {
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Fine."_s});
        s.model.setCompletion(u"Title"_s);
        QJsonObject chat = QJsonDocument::fromJson(ChatCodec::encodeSessions(fourChats().mid(0, 1)))
                               .array()
                               .at(0)
                               .toObject();
        chat.insert(u"pinned"_s, true);
        chat.insert(u"model"_s, QJsonObject{{u"id"_s, u"qwen3-vl-8b"_s}, {u"temperature"_s, 0.3}});
        QJsonArray messages = chat.value(u"messages"_s).toArray();
        QJsonObject message = messages.at(0).toObject();
        message.insert(u"reasoning"_s, u"Thought about it."_s);
        messages[0] = message;
        chat.insert(u"messages"_s, messages);
        const QString store = s.home.settings()->dataFilePath(SettingsKeys::chatSessions);
        QVERIFY(QDir().mkpath(s.home.dataDirectory()));
        QVERIFY(writeFile(store, QJsonDocument(QJsonArray{chat}).toJson()));

        const VelmRun run = s.home.run(askAndSave(s, u"Another question"_s));
        QCOMPARE(run.exitCode, 0);

        const QJsonArray saved = QJsonDocument::fromJson(ChatCodec::encodeSessions(
                                                             StoredChats::read(*s.home.settings())))
                                     .array();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.at(1).toObject(), chat);
    }
};

VELM_TEST_MAIN(TestCliStore)
#include "tst_clistore.moc"
