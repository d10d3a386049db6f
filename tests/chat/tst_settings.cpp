#include "chat/settings.h"
#include "search/searchmode.h"
#include "support/smallfilesystem.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace SettingsKeys;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Writes the file as another process would: behind the back of this process's QSettings.
void writeBehindTheBack(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
    // A later time than anything read so far, even on file systems with coarse times.
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                             QFileDevice::FileModificationTime));
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Settings> m_settings;

    QString confFile() const { return m_dir->filePath(u"velm.conf"_s); }
    QString dataDir() const { return m_dir->filePath(u"data"_s); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_settings = std::make_unique<Settings>(confFile(), dataDir());
    }

    void cleanup()
    {
        m_settings.reset();
        m_dir.reset();
    }

    // A fresh store reads every preference as its default, of the default's type, and
    // stores none of them.
    void freshDefaults()
    {
        for (const KeySpec &entry : preferences) {
            const QVariant read = m_settings->value(entry.name);
            QCOMPARE(read.typeId(), defaultValue(entry).typeId());
            QCOMPARE(read, defaultValue(entry));
            QVERIFY(!m_settings->contains(entry.name));
            QCOMPARE(preference(entry.name)->name, entry.name);
        }
    }

    void writeReadRemove()
    {
        QSignalSpy spy(m_settings.get(), &Settings::changed);
        m_settings->setUserName(u"Ada"_s);
        m_settings->setSearxngUseHTTPS(true);
        m_settings->setWebSearchMode(WebSearchMode::Never);
        // Writing the default stores it explicitly.
        QVERIFY(m_settings->setValue(appTheme, u"dark"_s));
        QCOMPARE(spy.size(), 4);
        QCOMPARE(spy.at(0).at(0).toString(), u"userName"_s);
        QCOMPARE(spy.at(1).at(0).toString(), u"searxngUseHTTPS"_s);
        QCOMPARE(spy.at(2).at(0).toString(), u"webSearchMode"_s);
        QCOMPARE(spy.at(3).at(0).toString(), u"appTheme"_s);
        QVERIFY(m_settings->contains(appTheme));

        // Written through to the file at once: a new store over the same file sees it all.
        m_settings.reset();
        m_settings = std::make_unique<Settings>(confFile(), dataDir());
        QCOMPARE(m_settings->userName(), u"Ada"_s);
        QVERIFY(m_settings->searxngUseHTTPS());
        QCOMPARE(m_settings->webSearchMode(), u"never"_s);

        QSignalSpy removed(m_settings.get(), &Settings::changed);
        QVERIFY(m_settings->remove(userName));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed.at(0).at(0).toString(), u"userName"_s);
        QVERIFY(!m_settings->contains(userName));
        QCOMPARE(m_settings->userName(), QString());
    }

    void refusedWrites_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("unknown key") << u"colour"_s << QVariant(u"red"_s);
        QTest::newRow("draft key") << u"velm.ob.stage"_s << QVariant(1);
        QTest::newRow("bool from a word") << u"searxngUseHTTPS"_s << QVariant(u"maybe"_s);
        QTest::newRow("bool from a number") << u"searxngUseHTTPS"_s << QVariant(2);
        QTest::newRow("string from nothing") << u"userName"_s << QVariant();
    }

    void refusedWrites()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QSignalSpy spy(m_settings.get(), &Settings::changed);
        QVERIFY(!m_settings->setValue(key, value));
        QCOMPARE(spy.size(), 0);
        QVERIFY(!m_settings->contains(key));
    }

    void externalWrite()
    {
        QCOMPARE(m_settings->webSearchMode(), u"auto"_s);
        m_settings->setUserName(u"Ada"_s);
        QCOMPARE(m_settings->userName(), u"Ada"_s);

        writeBehindTheBack(confFile(), "[General]\nwebSearchMode=never\nappTheme=light\n");
        QCOMPARE(m_settings->webSearchMode(), u"never"_s);
        QCOMPARE(m_settings->theme(), AppTheme::Light);
        // The other writer removed the name, so it reads as its default again.
        QCOMPARE(m_settings->userName(), QString());
        QVERIFY(!m_settings->contains(userName));

        // A write of ours after that keeps the other writer's values.
        m_settings->setUserName(u"Grace"_s);
        const QByteArray file = readFile(confFile());
        QVERIFY(file.contains("webSearchMode=never"));
        QVERIFY(file.contains("userName=Grace"));
    }

    void nearlyFullDiskNeverEmptiesThePreferences_data()
    {
        QTest::addColumn<int>("pagesLeft");
        for (int pages = 0; pages <= 4; ++pages)
            QTest::addRow("pages left: %d", pages) << pages;
    }

    // QSettings writes its file through a buffer whose failed flush it does not notice: with
    // a page or two left on the disk it used to empty the file and report success.
    void nearlyFullDiskNeverEmptiesThePreferences()
    {
        QFETCH(int, pagesLeft);
        SmallFileSystem disk;
        if (!disk.isMounted())
            QSKIP(qPrintable(disk.whyNot()));
        Settings settings(disk.filePath(u"velm.conf"_s), disk.filePath(u"data"_s));
        const QString prompt = u"Answer in French. "_s.repeated(20);
        QVERIFY(settings.setValue(userName, u"Ada"_s));
        QVERIFY(settings.setValue(systemPrompt, prompt));
        const QByteArray before = readFile(settings.fileName());
        QVERIFY(disk.fill(pagesLeft * 4096));

        const bool written = settings.setValue(userName, u"Grace"_s);
        if (written) {
            QCOMPARE(settings.userName(), u"Grace"_s);
            QVERIFY(readFile(settings.fileName()).contains("userName=Grace"));
        } else {
            QCOMPARE(readFile(settings.fileName()), before);
            QCOMPARE(settings.userName(), u"Ada"_s);
        }
        QCOMPARE(settings.systemPrompt(), prompt);
        // Nothing of the attempt is left beside the file.
        QCOMPARE(QDir(disk.path()).entryList(QDir::Files),
                 (QStringList{u"filler"_s, u"velm.conf"_s, u"velm.lock"_s}));
    }

    // A write soon after another that keeps the file's size is still seen by the reader.
    void quickSameSizeWritesAreSeen()
    {
        for (const QString &name : {u"dark"_s, u"auto"_s, u"dark"_s, u"auto"_s}) {
            QVERIFY(m_settings->setValue(appTheme, name));
            QCOMPARE(m_settings->appTheme(), name);
        }
    }

    void storedText_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");

        QTest::newRow("bool true")
            << QByteArray("searxngUseHTTPS=true") << u"searxngUseHTTPS"_s << QVariant(true);
        QTest::newRow("bool FALSE") << QByteArray("quickAskFollowsSystemTheme=FALSE")
                                    << u"quickAskFollowsSystemTheme"_s << QVariant(false);
        QTest::newRow("bool unreadable gives default")
            << QByteArray("quickAskFollowsSystemTheme=maybe") << u"quickAskFollowsSystemTheme"_s
            << QVariant(true);
        QTest::newRow("commas by hand")
            << QByteArray("activePromptSuggestions=concise,friendly")
            << u"activePromptSuggestions"_s << QVariant(u"concise,friendly"_s);
        QTest::newRow("empty text is a value")
            << QByteArray("searxngPort=") << u"searxngPort"_s << QVariant(u""_s);
        QTest::newRow("number by hand")
            << QByteArray("temperature=0.35") << u"temperature"_s << QVariant(0.35);
        QTest::newRow("number unreadable gives default")
            << QByteArray("temperature=warm") << u"temperature"_s << QVariant(0.7);
        QTest::newRow("integer by hand")
            << QByteArray("maxTokens=2048") << u"maxTokens"_s << QVariant(2048);
    }

    // The generation options survive a new store over the same file; a temperature out of
    // range written by hand is read as the nearest one servers take.
    void generationOptions()
    {
        QCOMPARE(m_settings->temperature(), 0.7);
        QCOMPARE(m_settings->maxTokens(), std::nullopt);
        QCOMPARE(m_settings->preferredModel(), QString());
        m_settings->setTemperature(1.25);
        m_settings->setMaxTokens(4096);
        m_settings->setPreferredModel(u" qwen/qwen3-8b "_s);
        m_settings = std::make_unique<Settings>(confFile(), dataDir());
        QCOMPARE(m_settings->temperature(), 1.25);
        QCOMPARE(m_settings->maxTokens(), std::optional(4096));
        QCOMPARE(m_settings->preferredModel(), u"qwen/qwen3-8b"_s);

        m_settings->setMaxTokens(std::nullopt);
        QCOMPARE(m_settings->maxTokens(), std::nullopt);
        QVERIFY(m_settings->setValue(temperature, 5));
        QCOMPARE(m_settings->temperature(), 2.0);
    }

    void storedText()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        writeBehindTheBack(confFile(), "[General]\n" + line + '\n');
        QCOMPARE(m_settings->value(key), value);
    }

    void textSurvivesStorage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("commas") << u"concise,,friendly,"_s;
        QTest::newRow("spaces and newlines") << u"  two\nlines  "_s;
        QTest::newRow("at sign") << u"@Variant(x)"_s;
    }

    void textSurvivesStorage()
    {
        QFETCH(QString, text);
        m_settings->setSystemPrompt(text);
        m_settings->setActivePromptSuggestions(text);
        m_settings.reset();
        m_settings = std::make_unique<Settings>(confFile(), dataDir());
        QCOMPARE(m_settings->systemPrompt(), text);
        QCOMPARE(m_settings->activePromptSuggestions(), text);
    }

    void trimmedSearxng()
    {
        m_settings->setSearxngHost(u" \tsearch.lan\n"_s);
        m_settings->setSearxngPort(u"  "_s);
        QCOMPARE(m_settings->searxngHost(), u"search.lan"_s);
        QCOMPARE(m_settings->searxngPort(), QString());
        // What was typed stays stored as typed.
        QCOMPARE(m_settings->value(searxngHost), QVariant(u" \tsearch.lan\n"_s));
    }

    void searchMode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<WebSearchMode>("mode");
        QTest::newRow("auto") << u"auto"_s << WebSearchMode::Auto;
        QTest::newRow("unknown") << u"sometimes"_s << WebSearchMode::Never;
        QTest::newRow("padded") << u" auto"_s << WebSearchMode::Never;
        QTest::newRow("empty") << QString() << WebSearchMode::Never;
    }

    void searchMode()
    {
        QFETCH(QString, text);
        QFETCH(WebSearchMode, mode);
        QCOMPARE(WebSearch::modeFrom(text), mode);
        m_settings->setWebSearchMode(text);
        QCOMPARE(m_settings->webSearchModeChoice(), mode);
        for (const WebSearchMode each :
             {WebSearchMode::Always, WebSearchMode::Auto, WebSearchMode::Never})
            QCOMPARE(WebSearch::modeFrom(WebSearch::modeName(each)), each);
    }

    void promptSuggestionIds_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("one") << u"concise"_s << QStringList{u"concise"_s};
        QTest::newRow("empty pieces dropped")
            << u",concise,,friendly,"_s << QStringList{u"concise"_s, u"friendly"_s};
        QTest::newRow("not trimmed")
            << u" concise, friendly"_s << QStringList{u" concise"_s, u" friendly"_s};
        QTest::newRow("only commas") << u",,"_s << QStringList();
    }

    void promptSuggestionIds()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, ids);
        QCOMPARE(promptSuggestionIdsFrom(text), ids);
    }

    void rawData()
    {
        QSignalSpy spy(m_settings.get(), &Settings::changed);
        const QString path = dataDir() + u"/chatSessions.json"_s;
        QCOMPARE(m_settings->dataFilePath(chatSessions), path);
        QVERIFY(m_settings->data(chatSessions).isNull());
        QVERIFY(!m_settings->contains(chatSessions));

        QVERIFY(m_settings->setData(chatSessions, "[1]"));
        QCOMPARE(readFile(path), "[1]");
        QCOMPARE(m_settings->data(chatSessions), "[1]");
        QVERIFY(m_settings->contains(chatSessions));
        // The small settings file stays small.
        QVERIFY(!readFile(confFile()).contains("[1]"));
        QVERIFY(m_settings->setData(mainChatMessages, "[2]"));
        QCOMPARE(readFile(dataDir() + u"/mainChatMessages.json"_s), "[2]");

        QVERIFY(m_settings->removeData(chatSessions));
        QVERIFY(!QFile::exists(path));
        QVERIFY(m_settings->data(chatSessions).isNull());
        QVERIFY(m_settings->remove(mainChatMessages));
        QVERIFY(!QFile::exists(dataDir() + u"/mainChatMessages.json"_s));
        QVERIFY(m_settings->removeData(chatSessions)); // nothing left to remove is fine
        QCOMPARE(spy.size(), 5);
        QCOMPARE(spy.at(0).at(0).toString(), u"chatSessions"_s);
        QCOMPARE(spy.at(3).at(0).toString(), u"mainChatMessages"_s);
    }

    void rawDataRefusesOtherKeys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("preference") << u"userName"_s;
        QTest::newRow("path") << u"../velm"_s;
        QTest::newRow("empty") << QString();
    }

    void rawDataRefusesOtherKeys()
    {
        QFETCH(QString, key);
        QVERIFY(!m_settings->setData(key, "x"));
        QVERIFY(m_settings->data(key).isNull());
        QVERIFY(m_settings->dataFilePath(key).isEmpty());
        QVERIFY(!QFileInfo::exists(m_dir->filePath(u"velm.json"_s)));
    }
};

VELM_TEST_MAIN(TestSettings)
#include "tst_settings.moc"
