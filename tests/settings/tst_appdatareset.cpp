#include "chat/appdatareset.h"
#include "chat/appevents.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A store with everything a user of some weeks has: every preference changed, onboarding
// done, both chat files, a key an earlier onboarding left, a key of some other version, and
// an unfinished onboarding's drafts in their own file.
class TestAppDataReset : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void everyPreferenceReadsItsDefault();
    void chatFilesGoneDraftsUntouched();
    void announcesChangesThenNotifies();
    void resetOfAnEmptyStore();

private:
    QString dataPath(QStringView key) const { return m_settings->dataFilePath(key); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;
    // New for every test: the lambdas a test connects capture its locals.
    std::unique_ptr<AppEvents> m_events;
    QString m_draftsPath;
};

void TestAppDataReset::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_events = std::make_unique<AppEvents>();
    const QString file = m_dir->filePath(u"config/velm.conf"_s);
    m_settings = std::make_unique<Settings>(file, m_dir->filePath(u"data"_s));
    Settings &s = *m_settings;
    s.setHasCompletedOnboarding(true);
    s.setUserName(u"Alex"_s);
    s.setSystemPrompt(u"Be brief."_s);
    s.setActivePromptSuggestions(u"concise,friendly"_s);
    s.setLmStudioServerAddress(u"http://10.0.0.2:1234"_s);
    s.setWebSearchMode(u"never"_s);
    s.setSearxngHost(u"search.lan"_s);
    s.setSearxngPort(u"9000"_s);
    s.setSearxngUseHTTPS(true);
    s.setAppTheme(u"light"_s);
    s.setQuickAskFollowsSystemTheme(false);
    s.setShowThinking(false);
    QVERIFY(s.setData(u"chatSessions", "[]"));
    QVERIFY(s.setData(u"mainChatMessages", "[]"));
    {
        QSettings raw(file, QSettings::IniFormat);
        raw.setValue(u"velm.onboarding.stage"_s, 3);
        raw.setValue(u"someFuturePreference"_s, u"kept?"_s);
        raw.setValue(u"window/geometry"_s, QByteArray("abc"));
    }
    // Where the onboarding keeps its drafts: beside, never inside, the preferences.
    m_draftsPath = m_dir->filePath(u"state/velm/onboarding.ini"_s);
    writeFile(m_draftsPath, "[General]\nvelm.ob.stage=2\nvelm.ob.name=Al\n");
}

void TestAppDataReset::cleanup()
{
    m_settings.reset();
    m_events.reset();
    m_dir.reset();
}

void TestAppDataReset::everyPreferenceReadsItsDefault()
{
    AppDataReset::resetAllAppData(*m_settings, *m_events);

    // Written by the reset, so that onboarding starts and the first launch's look returns;
    // the rest, and the keys of earlier or later versions, are removed.
    const QStringList written{u"activePromptSuggestions"_s,
                              u"appTheme"_s,
                              u"hasCompletedOnboarding"_s,
                              u"quickAskFollowsSystemTheme"_s,
                              u"showThinking"_s,
                              u"systemPrompt"_s,
                              u"userName"_s};
    QSettings raw(m_settings->fileName(), QSettings::IniFormat);
    QStringList keys = raw.allKeys();
    keys.sort();
    QCOMPARE(keys, written);
    // Also as another process (the next launch) reads the file.
    Settings fresh(m_settings->fileName(), m_settings->dataDirectory());
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences) {
        QCOMPARE(m_settings->value(entry.name), SettingsKeys::defaultValue(entry));
        QCOMPARE(fresh.value(entry.name), SettingsKeys::defaultValue(entry));
    }
}

// The chats go; the drafts of an unfinished onboarding are not app data.
void TestAppDataReset::chatFilesGoneDraftsUntouched()
{
    QVERIFY(QFile::exists(dataPath(u"chatSessions")));
    QVERIFY(QFile::exists(dataPath(u"mainChatMessages")));
    const QByteArray drafts = readFile(m_draftsPath);

    AppDataReset::resetAllAppData(*m_settings, *m_events);

    QVERIFY(!QFile::exists(dataPath(u"chatSessions")));
    QVERIFY(!QFile::exists(dataPath(u"mainChatMessages")));
    QCOMPARE(readFile(m_draftsPath), drafts);
}

void TestAppDataReset::announcesChangesThenNotifies()
{
    QStringList changed;
    connect(m_settings.get(), &Settings::changed, this,
            [&changed](const QString &key) { changed.append(key); });
    int notified = 0;
    QString themeWhenNotified;
    bool onboardedWhenNotified = true;
    connect(m_events.get(), &AppEvents::chatsDidChangeExternally, this, [&] {
        ++notified;
        themeWhenNotified = m_settings->appTheme();
        onboardedWhenNotified = m_settings->hasCompletedOnboarding();
    });

    AppDataReset::resetAllAppData(*m_settings, *m_events);

    QCOMPARE(notified, 1);
    // Windows that reload on the notification find the new state, not a half-reset one.
    QCOMPARE(themeWhenNotified, u"dark"_s);
    QCOMPARE(onboardedWhenNotified, false);
    // Open windows hear of every preference, also the ones that were only removed.
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences)
        QVERIFY2(changed.contains(entry.name), qPrintable(entry.name.toString()));
    QVERIFY(changed.contains(u"chatSessions"_s));
    QVERIFY(changed.contains(u"someFuturePreference"_s));
}

void TestAppDataReset::resetOfAnEmptyStore()
{
    QTemporaryDir dir;
    Settings empty(dir.filePath(u"velm.conf"_s), dir.filePath(u"data"_s));
    QSignalSpy notified(m_events.get(), &AppEvents::chatsDidChangeExternally);

    AppDataReset::resetAllAppData(empty, *m_events);

    QCOMPARE(notified.size(), 1);
    QCOMPARE(empty.appTheme(), u"dark"_s);
    QVERIFY(!empty.hasCompletedOnboarding());
    QVERIFY(!QFile::exists(empty.dataFilePath(u"chatSessions")));
}

VELM_TEST_MAIN(TestAppDataReset)
#include "tst_appdatareset.moc"
