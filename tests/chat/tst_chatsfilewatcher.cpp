#include "chat/appevents.h"
#include "chat/chatsfilewatcher.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestChatsFileWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void ownSaveIsNotExternal();
    void otherWriterIsNoticed_data();
    void otherWriterIsNoticed();

private:
    // Long enough for the watcher to have settled and compared.
    static void settle() { QTest::qWait(FolderWatcher::settleMs * 4); }

    std::unique_ptr<QTemporaryDir> m_home;
};

void TestChatsFileWatcher::init()
{
    m_home = std::make_unique<QTemporaryDir>();
}

void TestChatsFileWatcher::ownSaveIsNotExternal()
{
    Settings settings(m_home->filePath(u"velm.conf"_s), m_home->filePath(u"data"_s));
    AppEvents events;
    ChatsFileWatcher watcher(settings, events);
    QSignalSpy external(&events, &AppEvents::chatsDidChangeExternally);

    QVERIFY(settings.setData(SettingsKeys::chatSessions, "[]"));
    QVERIFY(settings.setData(SettingsKeys::chatSessions, "[ ]"));
    settle();
    QCOMPARE(external.count(), 0);
}

void TestChatsFileWatcher::otherWriterIsNoticed_data()
{
    QTest::addColumn<bool>("folderExistsAtStart");
    QTest::addColumn<bool>("remove");

    QTest::newRow("rewritten") << true << false;
    QTest::newRow("removed") << true << true;
    // `velm ask --save` may create the data folder of a fresh user while the app runs.
    QTest::newRow("folder appears") << false << false;
}

void TestChatsFileWatcher::otherWriterIsNoticed()
{
    QFETCH(bool, folderExistsAtStart);
    QFETCH(bool, remove);

    const QString conf = m_home->filePath(u"velm.conf"_s);
    const QString data = m_home->filePath(u"data"_s);
    Settings ours(conf, data);
    if (folderExistsAtStart)
        QVERIFY(ours.setData(SettingsKeys::chatSessions, "[]"));
    AppEvents events;
    ChatsFileWatcher watcher(ours, events);
    QSignalSpy external(&events, &AppEvents::chatsDidChangeExternally);

    // Another process: same files, its own Settings.
    Settings theirs(conf, data);
    if (remove)
        QVERIFY(theirs.removeData(SettingsKeys::chatSessions));
    else
        QVERIFY(theirs.setData(SettingsKeys::chatSessions, R"([{"id":"x"}])"));
    QVERIFY(external.wait(5000));
    settle();
    QCOMPARE(external.count(), 1);
}

VELM_TEST_MAIN(TestChatsFileWatcher)
#include "tst_chatsfilewatcher.moc"
