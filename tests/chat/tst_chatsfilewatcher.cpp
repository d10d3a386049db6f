#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/chatsfilewatcher.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "support/testregistry.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The window's list follows what other processes store, and only that.
class TestChatsFileWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void ownSavesAreNotReadAgain();
    void otherWritersAreSeen_data();
    void otherWritersAreSeen();

private:
    // Long enough for the watcher to have settled and the list to have looked.
    static void settle() { QTest::qWait(FolderWatcher::settleMs * 4); }
    QString conf() const { return m_home->filePath(u"velm.conf"_s); }
    QString data() const { return m_home->filePath(u"data"_s); }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestChatsFileWatcher::init()
{
    m_home = std::make_unique<QTemporaryDir>();
}

void TestChatsFileWatcher::ownSavesAreNotReadAgain()
{
    Settings settings(conf(), data());
    AppEvents events;
    ChatStore store(settings);
    ChatList list(store, events);
    ChatsFileWatcher watcher(settings, events);
    const QUuid id = list.addMessage(std::nullopt, ChatMessage(ChatMessage::Role::User, u"Q"_s),
                                     QDateTime::currentDateTimeUtc());
    QSignalSpy external(&events, &AppEvents::chatsDidChangeExternally);
    QSignalSpy changed(&list, &ChatList::sessionsChanged);
    list.rename(id, u"Renamed"_s);
    settle();
    // The database's log changed, so the list looked; it found nothing new.
    QVERIFY(external.count() >= 1);
    QCOMPARE(changed.count(), 1);
}

void TestChatsFileWatcher::otherWritersAreSeen_data()
{
    QTest::addColumn<bool>("storedAtStart");
    QTest::newRow("a store in use") << true;
    // `velm ask --save` may make the data folder of a fresh user while the app runs.
    QTest::newRow("no store yet") << false;
}

void TestChatsFileWatcher::otherWritersAreSeen()
{
    QFETCH(bool, storedAtStart);
    Settings settings(conf(), data());
    if (storedAtStart) {
        ChatSession earlier = ChatSession::create(QDateTime::currentDateTimeUtc());
        earlier.messages.append(ChatMessage(ChatMessage::Role::User, u"earlier"_s));
        QVERIFY(ChatStore(settings).save(earlier));
    }
    AppEvents events;
    ChatStore store(settings);
    ChatList list(store, events);
    ChatsFileWatcher watcher(settings, events);
    const qsizetype before = list.sessions().size();

    QProcess writer;
    writer.start(QStringLiteral(VELM_STORE_WRITER), {conf(), data(), u"other"_s, u"3"_s});
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitCode(), 0);
    QTRY_COMPARE(list.sessions().size(), before + 3);
    QCOMPARE(list.sessions().at(0).title(), u"other 2"_s);
}

VELM_TEST_MAIN(TestChatsFileWatcher)
#include "tst_chatsfilewatcher.moc"
