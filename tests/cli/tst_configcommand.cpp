#include "cli/velmhome.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"
#include "support/testregistry.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The list line of `key`, or an empty text.
QString lineOf(const QString &list, const QString &key)
{
    for (const QString &line : list.split(u'\n')) {
        if (line.startsWith(key + u' '))
            return line;
    }
    return {};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// `velm config`: the preferences from a terminal, through the same store as the app.
class TestConfigCommand : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void listsEveryPreference()
    {
        VelmHome home;
        QVERIFY(home.isValid());
        VelmRun run = home.run({u"config"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.errText(), QString());
        const QStringList lines = run.outText().split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), qsizetype(SettingsKeys::preferences.size()));
        for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences) {
            const QString line = lineOf(run.outText(), entry.name.toString());
            QVERIFY2(line.endsWith(u"(default)"_s), qPrintable(line));
        }
        // Neither the chats nor the onboarding drafts are settings of this command.
        QVERIFY(!run.outText().contains(u"chatSessions"_s));
        QVERIFY(!run.outText().contains(u"velm.ob."_s));

        {
            const auto settings = home.settings();
            settings->setUserName(u"Ann \"A\"\nLee"_s);
            settings->setSearxngUseHTTPS(true);
        }
        run = home.run({u"config"_s});
        QCOMPARE(run.exitCode, 0);
        // Changed values lose the mark; text stays on one line, quoted.
        QCOMPARE(lineOf(run.outText(), u"userName"_s).simplified(),
                 u"userName \"Ann \\\"A\\\"\\nLee\""_s);
        QCOMPARE(lineOf(run.outText(), u"searxngUseHTTPS"_s).simplified(),
                 u"searxngUseHTTPS true"_s);
        QVERIFY(lineOf(run.outText(), u"appTheme"_s).endsWith(u"(default)"_s));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QVariant>("stored");

        QTest::newRow("text") << u"userName"_s << u"Ann Lee"_s << QVariant(u"Ann Lee"_s);
        QTest::newRow("several lines") << u"systemPrompt"_s << u"Be brief.\nUse SI units."_s
                                       << QVariant(u"Be brief.\nUse SI units."_s);
        QTest::newRow("empty text") << u"searxngPort"_s << QString() << QVariant(QString());
        QTest::newRow("bool true") << u"searxngUseHTTPS"_s << u"true"_s << QVariant(true);
        QTest::newRow("IPv6 address, blanks dropped")
            << u"lmStudioServerAddress"_s << u" http://[::1]:1234/v1\n"_s
            << QVariant(u"http://[::1]:1234/v1"_s);
        QTest::newRow("number") << u"temperature"_s << u"0.25"_s << QVariant(0.25);
        QTest::newRow("integer") << u"maxTokens"_s << u"1024"_s << QVariant(1024);
        QTest::newRow("model id, blanks dropped")
            << u"preferredModel"_s << u" qwen/qwen3-8b "_s << QVariant(u"qwen/qwen3-8b"_s);
    }

    void roundTrip()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QVariant, stored);
        VelmHome home;
        // A store open in a running app, which must see the change at its next read.
        const auto running = home.settings();
        const QVariant before = running->value(key);

        VelmRun run = home.run({u"config"_s, key, value});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), QString());
        QCOMPARE(running->value(key), stored);
        QVERIFY(running->contains(key));

        run = home.run({u"config"_s, key});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), stored.toString() + u'\n');

        run = home.run({u"config"_s, u"--unset"_s, key});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(!running->contains(key));
        QCOMPARE(running->value(key), before);
        run = home.run({u"config"_s});
        QVERIFY(lineOf(run.outText(), key).endsWith(u"(default)"_s));
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");

        QTest::newRow("bool not true or false")
            << QStringList{u"config"_s, u"searxngUseHTTPS"_s, u"yes"_s}
            << u"searxngUseHTTPS takes true or false"_s;
        QTest::newRow("bool written as 1")
            << QStringList{u"config"_s, u"hasCompletedOnboarding"_s, u"1"_s}
            << u"takes true or false"_s;
        QTest::newRow("unknown key")
            << QStringList{u"config"_s, u"colour"_s, u"red"_s} << u"unknown setting \"colour\""_s;
        QTest::newRow("the chat list")
            << QStringList{u"config"_s, u"--unset"_s, u"chatSessions"_s} << u"unknown setting"_s;
        QTest::newRow("an onboarding draft")
            << QStringList{u"config"_s, u"velm.ob.stage"_s, u"3"_s} << u"unknown setting"_s;
        QTest::newRow("search mode typo")
            << QStringList{u"config"_s, u"webSearchMode"_s, u"alwyas"_s}
            << u"webSearchMode takes auto, always, never"_s;
        QTest::newRow("port not a number")
            << QStringList{u"config"_s, u"searxngPort"_s, u"80a"_s} << u"searxngPort takes"_s;
        // The address rules are the model client's (see its tests); the command applies them.
        QTest::newRow("address of a file")
            << QStringList{u"config"_s, u"lmStudioServerAddress"_s, u"file:///etc"_s}
            << u"lmStudioServerAddress: the address must start with http:// or https://"_s;
        QTest::newRow("temperature out of range")
            << QStringList{u"config"_s, u"temperature"_s, u"2.5"_s}
            << u"temperature takes a number from 0 to 2"_s;
        QTest::newRow("temperature not a number")
            << QStringList{u"config"_s, u"temperature"_s, u"warm"_s} << u"temperature takes"_s;
        QTest::newRow("answer length not a count")
            << QStringList{u"config"_s, u"maxTokens"_s, u"1.5"_s}
            << u"maxTokens takes a number of tokens, or 0 for no limit"_s;
        QTest::newRow("--unset without key")
            << QStringList{u"config"_s, u"--unset"_s} << u"--unset takes one KEY"_s;
        QTest::newRow("too many arguments")
            << QStringList{u"config"_s, u"userName"_s, u"Ann"_s, u"Lee"_s}
            << u"unexpected argument: Lee"_s;
    }

    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        VelmHome home;
        home.settings()->setUserName(u"Kept"_s);
        home.settings()->setLmStudioServerAddress(u"http://10.0.0.2:11434"_s);
        const QByteArray before = fileBytes(home.settingsFile());
        QVERIFY(!before.isEmpty());

        const VelmRun run = home.run(arguments);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().contains(message), run.err.constData());
        QCOMPARE(fileBytes(home.settingsFile()), before);
    }

    // The stored port is what the next question's search uses.
    void nextAskUsesTheChange()
    {
        VelmHome home;
        FakeModelServer model;
        QVERIFY(model.listen());
        model.setStream({u"Fine."_s});
        FakeSearxngServer searxng;
        QVERIFY(searxng.listen());
        searxng.serveResults(FakeSearxngServer::numberedResults(2));

        for (const QStringList &change :
             {QStringList{u"searxngHost"_s, u"127.0.0.1"_s},
              QStringList{u"searxngPort"_s, QString::number(searxng.port())},
              QStringList{u"webSearchMode"_s, u"always"_s},
              QStringList{u"lmStudioServerAddress"_s, model.address()}}) {
            const VelmRun run = home.run(QStringList{u"config"_s} + change);
            QCOMPARE(run.exitCode, 0);
        }
        const VelmRun run = home.run({u"ask"_s, u"explain recursion"_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(searxng.requests().size(), 1);
        QCOMPARE(model.http().requestCount(u"/v1/chat/completions"_s), 1);
    }
};

VELM_TEST_MAIN(TestConfigCommand)
#include "tst_configcommand.moc"
