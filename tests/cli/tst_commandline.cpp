#include "core/settings.h"
#include "support/fakemodelserver.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

// The `velm` binary run as a user would run it from a terminal.
class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_home;

    // Runs velm with `arguments` while this event loop keeps serving the fake servers.
    Run velm(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        // A settings store of the test's own, never the user's.
        environment.insert(u"XDG_CONFIG_HOME"_s, m_home.filePath(u"config"_s));
        environment.insert(u"XDG_DATA_HOME"_s, m_home.filePath(u"data"_s));
        process.setProcessEnvironment(environment);
        QSignalSpy finished(&process, &QProcess::finished);
        process.start(QStringLiteral(VELM_BINARY), arguments);
        Run run;
        if (!finished.wait(20000)) {
            process.kill();
            process.waitForFinished();
            return run;
        }
        run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        run.out = QString::fromUtf8(process.readAllStandardOutput());
        run.err = QString::fromUtf8(process.readAllStandardError());
        return run;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void listsModels()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"llama-3.2-3b"_s, u"qwen/qwen3-vl-8b"_s, u"gemma"_s});
        const Run run = velm({u"models"_s, u"--server"_s, server.address()});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, u"  llama-3.2-3b\n* qwen/qwen3-vl-8b\n  gemma\n"_s);
    }

    void firstModelWhenNonePreferred()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"b"_s, u"a"_s});
        const Run run = velm({u"models"_s, u"--server"_s, server.address() + u"/v1/"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, u"* b\n  a\n"_s);
    }

    void usesTheStoredAddress()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"stored"_s});
        {
            Settings settings(m_home.filePath(u"config/velm/velm.conf"_s),
                              m_home.filePath(u"data/velm"_s));
            settings.setLmStudioServerAddress(server.address());
        }
        const Run run = velm({u"models"_s});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, u"* stored\n"_s);
        QCOMPARE(server.http().requestCount(u"/v1/models"_s), 1);
    }

    void failures_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QString>("message");

        QTest::newRow("no model loaded")
            << FakeResponse::json(R"({"data":[]})") << u"velm: Load a model in LM Studio\n"_s;
        QTest::newRow("server error")
            << FakeResponse::text("boom", 500) << u"velm: LM Studio did not respond\n"_s;
        // No description of its own: the technical detail is shown.
        QTest::newRow("not JSON") << FakeResponse::text("<html>") << u"velm: unexpected reply: "_s;
    }

    void failures()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QString, message);
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModelsResponse(response);
        const Run run = velm({u"models"_s, u"--server"_s, server.address()});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.startsWith(message), qPrintable(run.err));
    }

    void serverNotRunning()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost, 0));
        const quint16 port = closed.serverPort();
        closed.close();
        const Run run = velm({u"models"_s, u"--server"_s, u"127.0.0.1:%1"_s.arg(port)});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, u"velm: Start LM Studio\n"_s);
    }

    void invalidAddress()
    {
        const Run run = velm({u"models"_s, u"--server"_s, u"http://my server"_s});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.err, u"velm: Check server address\n"_s);
    }

    void usage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("usageOnStdout");

        QTest::newRow("help") << QStringList{u"help"_s} << 0 << true;
        QTest::newRow("--help") << QStringList{u"--help"_s} << 0 << true;
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_s} << 2 << false;
        QTest::newRow("unknown option") << QStringList{u"models"_s, u"--frob"_s} << 2 << false;
        QTest::newRow("stray argument") << QStringList{u"models"_s, u"extra"_s} << 2 << false;
        QTest::newRow("--server without URL")
            << QStringList{u"models"_s, u"--server"_s} << 2 << false;
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(bool, usageOnStdout);
        const Run run = velm(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString &usage = usageOnStdout ? run.out : run.err;
        QVERIFY2(usage.contains(u"Usage: velm"_s), qPrintable(usage));
        QVERIFY(usage.contains(u"models"_s));
        QCOMPARE((usageOnStdout ? run.err : run.out), QString());
    }

    void commandHelp()
    {
        const Run run = velm({u"models"_s, u"--help"_s});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.out.startsWith(u"Usage: velm models [--server URL]\n"_s));
        QVERIFY(run.out.contains(u"--server <URL>"_s));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
