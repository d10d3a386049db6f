#include "cli/velmhome.h"
#include "support/fakemodelserver.h"
#include "support/loopback.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

// The `velm` binary run as a user would run it from a terminal.
class TestCommandLine : public QObject
{
    Q_OBJECT

private:
    VelmHome m_home;

    VelmRun velm(const QStringList &arguments) const { return m_home.run(arguments); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_home.isValid()); }

    void listsModels()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"llama-3.2-3b"_s, u"qwen/qwen3-vl-8b"_s, u"gemma"_s});
        const VelmRun run = velm({u"models"_s, u"--server"_s, server.address()});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"  llama-3.2-3b\n* qwen/qwen3-vl-8b\n  gemma\n"_s);
    }

    void firstModelWhenNonePreferred()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"b"_s, u"a"_s});
        const VelmRun run = velm({u"models"_s, u"--server"_s, server.address() + u"/v1/"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"* b\n  a\n"_s);
    }

    // The mark follows the model chosen in velm, and a chosen model that is gone is named.
    void marksTheChosenModel_data()
    {
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        QTest::newRow("chosen and listed")
            << u"gemma"_s << u"  llama-3.2-3b\n  qwen/qwen3-vl-8b\n* gemma\n"_s << QString();
        QTest::newRow("chosen, not listed")
            << u"mistral-7b"_s << u"  llama-3.2-3b\n* qwen/qwen3-vl-8b\n  gemma\n"_s
            << u"velm: the chosen model mistral-7b isn't available on the server; velm answers "
               "with qwen/qwen3-vl-8b\n"_s;
    }

    void marksTheChosenModel()
    {
        QFETCH(QString, preferred);
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"llama-3.2-3b"_s, u"qwen/qwen3-vl-8b"_s, u"gemma"_s});
        m_home.settings()->setPreferredModel(preferred);
        const VelmRun run = velm({u"models"_s, u"--server"_s, server.address()});
        m_home.settings()->setPreferredModel(QString());
        QCOMPARE(run.exitCode, 0);
        QTEST(run.outText(), "out");
        QTEST(run.errText(), "err");
    }

    void usesTheStoredAddress()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"stored"_s});
        m_home.settings()->setLmStudioServerAddress(server.address());
        const VelmRun run = velm({u"models"_s});
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"* stored\n"_s);
        QCOMPARE(server.http().requestCount(u"/v1/models"_s), 1);
    }

    void failures_data()
    {
        QTest::addColumn<QString>("address"); // empty: the fake server
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QString>("message");

        const FakeResponse none = FakeResponse::json(R"({"data":[]})");
        // %1: the fake server's address.
        QTest::newRow("web page")
            << QString() << FakeResponse::text("<!DOCTYPE html><html></html>", 200, "text/html")
            << u"velm: The server at %1 did not answer like a model server\n"_s;
        QTest::newRow("redirected") << QString() << FakeResponse::redirect(301, "/models/")
                                    << u"velm: The server at %1 redirected to %1/models/\n"_s;
        // Given without a scheme, as users type it.
        QTest::newRow("server not running")
            << Loopback::closedAddress().mid(7) << none << u"velm: Start LM Studio\n"_s;
    }

    void failures()
    {
        QFETCH(QString, address);
        QFETCH(FakeResponse, response);
        QFETCH(QString, message);
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModelsResponse(response);
        const VelmRun run
            = velm({u"models"_s, u"--server"_s, address.isEmpty() ? server.address() : address});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.outText(), QString());
        message.replace(u"%1"_s, server.address());
        QCOMPARE(run.errText(), message);
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
        QTest::newRow("--server without URL")
            << QStringList{u"models"_s, u"--server"_s} << 2 << false;
    }

    void usage()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(bool, usageOnStdout);
        const VelmRun run = velm(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString usage = usageOnStdout ? run.outText() : run.errText();
        QVERIFY2(usage.contains(u"Usage: velm"_s), qPrintable(usage));
        QVERIFY(usage.contains(u"models"_s));
        QCOMPARE((usageOnStdout ? run.err : run.out), QByteArray());
    }

    void version()
    {
        const VelmRun run = velm({u"--version"_s});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"velm %1\n"_s.arg(QStringLiteral(VELM_VERSION)));
        QCOMPARE(run.err, QByteArray());
    }

    void commandHelp()
    {
        const VelmRun run = velm({u"models"_s, u"--help"_s});
        QCOMPARE(run.exitCode, 0);
        QVERIFY(run.outText().startsWith(u"Usage: velm models [--server URL]\n"_s));
        QVERIFY(run.outText().contains(u"--server <URL>"_s));
    }
};

VELM_TEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
