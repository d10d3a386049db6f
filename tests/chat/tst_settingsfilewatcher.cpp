#include "chat/settings.h"
#include "chat/settingsfilewatcher.h"
#include "chat/settingskeys.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettingsFileWatcher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ownWriteIsAnnouncedOnce();
    void otherWriterIsNoticed_data();
    void otherWriterIsNoticed();

private:
    // Long enough for the watcher to have settled and compared.
    static void settle() { QTest::qWait(FolderWatcher::settleMs * 4); }
};

void TestSettingsFileWatcher::ownWriteIsAnnouncedOnce()
{
    QTemporaryDir home;
    Settings settings(home.filePath(u"velm.conf"_s), home.filePath(u"data"_s));
    settings.setUserName(u"Ada"_s);
    SettingsFileWatcher watcher(settings);
    QSignalSpy changed(&settings, &Settings::changed);

    settings.setWebSearchMode(u"never"_s);
    settle();
    QCOMPARE(changed.count(), 1);
}

void TestSettingsFileWatcher::otherWriterIsNoticed_data()
{
    QTest::addColumn<bool>("fileExistsAtStart");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("changed") << true << u"always"_s << QStringList{u"webSearchMode"_s};
    // A value written again unchanged is not news to the windows.
    QTest::newRow("same value") << true << u"auto"_s << QStringList{};
    // `velm config` may write the first settings file of a fresh user while the app runs.
    QTest::newRow("file appears") << false << u"never"_s << QStringList{u"webSearchMode"_s};
}

void TestSettingsFileWatcher::otherWriterIsNoticed()
{
    QFETCH(bool, fileExistsAtStart);
    QFETCH(QString, mode);
    QFETCH(QStringList, expected);

    QTemporaryDir home;
    const QString conf = home.filePath(u"config/velm.conf"_s);
    Settings ours(conf, home.filePath(u"data"_s));
    if (fileExistsAtStart)
        ours.setUserName(u"Ada"_s);
    SettingsFileWatcher watcher(ours);
    QSignalSpy changed(&ours, &Settings::changed);

    // Another process: the same file, its own Settings.
    Settings theirs(conf, home.filePath(u"data"_s));
    theirs.setWebSearchMode(mode);
    if (!expected.isEmpty())
        QVERIFY(changed.wait(5000));
    settle();
    QStringList announced;
    for (const QList<QVariant> &arguments : std::as_const(changed))
        announced.append(arguments.at(0).toString());
    QCOMPARE(announced, expected);
    QCOMPARE(ours.webSearchMode(), mode);
}

VELM_TEST_MAIN(TestSettingsFileWatcher)
#include "tst_settingsfilewatcher.moc"
