#include "onboardingfixture.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"
#include "support/loopback.h"
#include "support/testregistry.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

class TestOnboardingModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void unreadableStageIsWelcome_data()
    {
        QTest::addColumn<int>("raw");
        QTest::newRow("6") << 6;
        QTest::newRow("-1") << -1;
    }

    void unreadableStageIsWelcome()
    {
        QFETCH(int, raw);
        OnboardingFixture f;
        f.drafts.setStageRaw(raw);
        QCOMPARE(f.model.stage(), OnboardingStage::Welcome);
        QVERIFY(!f.model.canGoBack());
        f.model.submit();
        QCOMPARE(f.model.stage(), OnboardingStage::Name);
        QCOMPARE(f.drafts.stageRaw(), 1);
    }

    void backButton_data()
    {
        QTest::addColumn<OnboardingStage>("from");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<OnboardingStage>("after");
        QTest::newRow("welcome") << OnboardingStage::Welcome << false << OnboardingStage::Welcome;
        QTest::newRow("name") << OnboardingStage::Name << true << OnboardingStage::Welcome;
        QTest::newRow("theme") << OnboardingStage::Theme << true << OnboardingStage::Search;
        QTest::newRow("done") << OnboardingStage::Done << false << OnboardingStage::Theme;
    }

    void backButton()
    {
        QFETCH(OnboardingStage, from);
        QFETCH(bool, shown);
        QFETCH(OnboardingStage, after);
        OnboardingFixture f;
        f.goTo(from);
        QCOMPARE(f.model.canGoBack(), shown);
        f.model.back();
        QCOMPARE(f.model.stage(), after);
    }

    void nameStage_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<QString>("storedName");
        QTest::newRow("empty") << QString() << u"Grace"_s;
        QTest::newRow("blanks") << u"  \t\n "_s << u"Grace"_s;
        QTest::newRow("trimmed") << u"  Ada Lovelace \n"_s << u"Ada Lovelace"_s;
    }

    void nameStage()
    {
        QFETCH(QString, draft);
        QFETCH(QString, storedName);
        OnboardingFixture f;
        f.settings.setUserName(u"Grace"_s);
        f.goTo(OnboardingStage::Name);
        f.model.setNameDraft(draft);
        const bool blank = draft.trimmed().isEmpty();
        QCOMPARE(f.model.primaryEnabled(), !blank);
        f.model.submit();
        QCOMPARE(f.model.stage(), blank ? OnboardingStage::Name : OnboardingStage::Llm);
        QCOMPARE(f.settings.userName(), storedName);
    }

    void stayAnonymousLeavesTheNameAlone()
    {
        OnboardingFixture f;
        f.settings.setUserName(u"Grace"_s);
        f.goTo(OnboardingStage::Name);
        f.model.setNameDraft(u"Ada"_s);
        f.model.triggerGhost();
        QCOMPARE(f.model.nameDraft(), QString());
        QCOMPARE(f.model.stage(), OnboardingStage::Llm);
        QCOMPARE(f.settings.userName(), u"Grace"_s);
    }

    void providersSetTheAddressAndClearTheResult_data()
    {
        QTest::addColumn<LLMProvider>("provider");
        QTest::addColumn<QString>("address");
        QTest::newRow("manual") << LLMProvider::Manual << QString();
        QTest::newRow("ollama") << LLMProvider::Ollama << u"http://127.0.0.1:11434"_s;
    }

    void providersSetTheAddressAndClearTheResult()
    {
        QFETCH(LLMProvider, provider);
        QFETCH(QString, address);
        OnboardingFixture f;
        f.goTo(OnboardingStage::Llm);
        f.model.setLlmAddressDraft(u"http://elsewhere:9"_s);
        f.drafts.setLlmOKRaw(0);
        f.drafts.setLlmStatus(u"Start LM Studio"_s);
        f.model.selectProvider(provider);
        QCOMPARE(f.model.provider(), provider);
        QCOMPARE(f.model.llmAddressDraft(), address);
        QCOMPARE(f.model.llmOK(), std::nullopt);
        QCOMPARE(f.model.llmStatus(), QString());
        QCOMPARE(f.model.primaryLabel(), u"Test connection"_s);
        QCOMPARE(f.model.primaryEnabled(), !address.isEmpty());
    }

    void modelServerTestStoresTheAddressAsTyped()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"qwen2.5-7b-instruct"_s});
        OnboardingFixture f;
        const QString before = f.settings.lmStudioServerAddress();
        f.goTo(OnboardingStage::Llm);
        const QString typed = u"localhost:%1"_s.arg(server.http().port());
        f.model.setLlmAddressDraft(u"  "_s + typed + u"  \n"_s);

        QSignalSpy finished(&f.model, &OnboardingModel::llmTestFinished);
        f.model.submit();
        QVERIFY(f.model.isTestingLLM());
        QVERIFY(!f.model.primaryEnabled());
        f.model.testLLM(); // ignored while the first runs
        QCOMPARE(f.settings.lmStudioServerAddress(), before);
        QVERIFY(finished.wait(f.testTimeoutMs));

        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), true);
        QCOMPARE(server.http().requestCount(u"/v1/models"_s), 1);
        QCOMPARE(f.settings.lmStudioServerAddress(), typed);
        QCOMPARE(f.model.llmStatus(), u"Connected to qwen2.5-7b-instruct"_s);
        QCOMPARE(f.model.llmOK(), true);
        f.model.submit();
        QCOMPARE(f.model.stage(), OnboardingStage::Search);
        QCOMPARE(f.settings.lmStudioServerAddress(), typed);
    }

    void modelServerTestFailures_data()
    {
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QStringList>("models");
        QTest::addColumn<QString>("status");
        QTest::newRow("nothing listens") << false << QStringList() << u"Start LM Studio"_s;
        QTest::newRow("no model loaded") << true << QStringList() << u"Load a model in LM Studio"_s;
    }

    void modelServerTestFailures()
    {
        QFETCH(bool, serverUp);
        QFETCH(QStringList, models);
        QFETCH(QString, status);
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels(models);
        OnboardingFixture f;
        const QString before = f.settings.lmStudioServerAddress();
        f.goTo(OnboardingStage::Llm);
        const quint16 port = serverUp ? server.http().port() : Loopback::closedPort();
        f.model.setLlmAddressDraft(u"http://127.0.0.1:%1"_s.arg(port));
        QVERIFY(f.runLLMTest());
        QCOMPARE(f.model.llmOK(), false);
        QCOMPARE(f.model.llmStatus(), status);
        QCOMPARE(f.settings.lmStudioServerAddress(), before);
        // Editing the address clears the result.
        f.model.setLlmAddressDraft(u"http://127.0.0.1:1"_s);
        QCOMPARE(f.model.llmOK(), std::nullopt);
        QCOMPARE(f.model.llmStatus(), QString());
    }

    // Refused before any request, with what is wrong instead of "Check server address".
    void modelServerTestRefusesBadAddresses_data()
    {
        QTest::addColumn<QString>("address"); // %1: a folder holding v1/models
        QTest::addColumn<QString>("status");

        QTest::newRow("file") << u"file://%1"_s
                              << u"The address must start with http:// or https://"_s;
        QTest::newRow("port 0") << u"localhost:0"_s
                                << u"The port must be a number from 1 to 65535"_s;
        QTest::newRow("scheme only") << u"http://"_s << u"The address has no host"_s;
    }

    void modelServerTestRefusesBadAddresses()
    {
        QFETCH(QString, address);
        QFETCH(QString, status);
        OnboardingFixture f;
        // What a file: request would read, had it been made.
        QVERIFY(QDir(f.dir.path()).mkpath(u"v1"_s));
        QFile models(f.dir.filePath(u"v1/models"_s));
        QVERIFY(models.open(QIODevice::WriteOnly));
        models.write(FakeModelServer::modelsBody({u"read-from-disk"_s}));
        models.close();
        const QString before = f.settings.lmStudioServerAddress();
        f.goTo(OnboardingStage::Llm);
        f.model.setLlmAddressDraft(address.arg(f.dir.path()));

        QSignalSpy finished(&f.model, &OnboardingModel::llmTestFinished);
        QVERIFY(f.runLLMTest());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toBool(), false);
        QCOMPARE(f.model.llmStatus(), status);
        QCOMPARE(f.model.llmOK(), false);
        QCOMPARE(f.settings.lmStudioServerAddress(), before);
    }

    // A result read back from the drafts never lets a bad address through.
    void continueTestsABadAddressAgain()
    {
        OnboardingFixture f;
        const QString before = f.settings.lmStudioServerAddress();
        f.goTo(OnboardingStage::Llm);
        f.drafts.setLlmAddress(u"file:///etc"_s);
        f.drafts.setLlmOKRaw(1);
        QCOMPARE(f.model.primaryLabel(), u"Continue"_s);
        f.model.submit();
        QCOMPARE(f.model.stage(), OnboardingStage::Llm);
        QCOMPARE(f.settings.lmStudioServerAddress(), before);
        QCOMPARE(f.model.llmOK(), false);
        QCOMPARE(f.model.llmStatus(), u"The address must start with http:// or https://"_s);
    }

    void resultForAnAddressEditedMeanwhileIsNotShown()
    {
        FakeModelServer server;
        QVERIFY(server.listen());
        server.setModels({u"m"_s});
        OnboardingFixture f;
        f.goTo(OnboardingStage::Llm);
        const QString tested = server.address();
        f.model.setLlmAddressDraft(tested);
        QSignalSpy finished(&f.model, &OnboardingModel::llmTestFinished);
        f.model.testLLM();
        f.model.setLlmAddressDraft(u"http://127.0.0.1:1"_s);
        QVERIFY(finished.wait(f.testTimeoutMs));
        // "Continue" would save the untested address; the user has to test it first.
        QCOMPARE(f.model.llmOK(), std::nullopt);
        QCOMPARE(f.model.primaryLabel(), u"Test connection"_s);
        QCOMPARE(f.settings.lmStudioServerAddress(), tested);
    }

    void laterDialog()
    {
        OnboardingFixture f;
        f.goTo(OnboardingStage::Llm);
        QSignalSpy asked(&f.model, &OnboardingModel::laterDialogRequested);
        f.model.triggerGhost();
        QCOMPARE(asked.count(), 1);
        QCOMPARE(f.model.stage(), OnboardingStage::Llm);
        const QString before = f.settings.lmStudioServerAddress();
        f.model.continueWithoutLLM();
        QCOMPARE(f.model.stage(), OnboardingStage::Search);
        QCOMPARE(f.settings.lmStudioServerAddress(), before);
        f.model.continueWithoutLLM(); // a stale answer does not skip the search stage
        QCOMPARE(f.model.stage(), OnboardingStage::Search);
    }

    void searxngAddress_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<QString>("url"); // empty: no address
        QTest::newRow("https with sub-path")
            << u"https://search.example.org/searx/"_s << u"https://search.example.org/searx"_s;
        QTest::newRow("no scheme") << u"127.0.0.1:8888"_s << u"http://127.0.0.1:8888"_s;
        QTest::newRow("empty") << u"   "_s << QString();
        QTest::newRow("no host") << u"https://"_s << QString();
        QTest::newRow("blank inside") << u"http://my host:8080"_s << QString();
    }

    void searxngAddress()
    {
        QFETCH(QString, draft);
        QFETCH(QString, url);
        const std::optional<QUrl> parsed = OnboardingModel::parseSearxngAddress(draft);
        QCOMPARE(parsed.has_value(), !url.isEmpty());
        if (parsed)
            QCOMPARE(parsed->toString(QUrl::FullyEncoded), url);
    }

    void commitWritesHostPortAndScheme_data()
    {
        QTest::addColumn<QString>("draft");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<bool>("https");
        QTest::newRow("https, no port") << u"https://search.example.org/searx/"_s
                                        << u"search.example.org"_s << QString() << true;
        QTest::newRow("upper-case scheme") << u"HTTPS://h:9443"_s << u"h"_s << u"9443"_s << true;
        QTest::newRow("no scheme") << u"127.0.0.1:8888"_s << u"127.0.0.1"_s << u"8888"_s << false;
        QTest::newRow("unparsable: mode only")
            << u"http://"_s << u"localhost"_s << u"8080"_s << false;
    }

    void commitWritesHostPortAndScheme()
    {
        QFETCH(QString, draft);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(bool, https);
        OnboardingFixture f;
        f.settings.setWebSearchMode(u"never"_s);
        f.model.setSearxngDraft(draft);
        f.model.commitSearxngDraft();
        QCOMPARE(f.settings.searxngHost(), host);
        QCOMPARE(f.settings.searxngPort(), port);
        QCOMPARE(f.settings.searxngUseHTTPS(), https);
        QCOMPARE(f.settings.webSearchMode(), u"auto"_s);
    }

    void searxngTestAgainstAnInstance_data()
    {
        QTest::addColumn<FakeResponse>("response");
        QTest::addColumn<QString>("status");
        const QByteArray body = FakeSearxngServer::body(u"test"_s, {});
        QTest::newRow("two") << FakeResponse::json(
            FakeSearxngServer::body(u"test"_s, FakeSearxngServer::numberedResults(2)))
                             << u"2 results found"_s;
        QTest::newRow("one") << FakeResponse::json(
            FakeSearxngServer::body(u"test"_s, FakeSearxngServer::numberedResults(1)))
                             << u"1 result found"_s;
        QTest::newRow("none") << FakeResponse::json(body) << u"0 results found"_s;
        const QString failure = u"Couldn't reach SearXNG instance"_s;
        QTest::newRow("json disabled: 403") << FakeResponse::json(body, 403) << failure;
    }

    void searxngTestAgainstAnInstance()
    {
        QFETCH(FakeResponse, response);
        QFETCH(QString, status);
        FakeSearxngServer server;
        QVERIFY(server.listen());
        server.serveResponse(response, u"/searx"_s);
        OnboardingFixture f;
        f.settings.setWebSearchMode(u"never"_s);
        f.goTo(OnboardingStage::Search);
        f.model.setSearxngDraft(u" http://127.0.0.1:%1/searx/ "_s.arg(server.port()));
        QVERIFY(f.runSearchTest());

        QCOMPARE(server.requests().size(), 1);
        const FakeRequest &request = server.requests().constFirst();
        QCOMPARE(request.path(), u"/searx/search"_s);

        const bool ok = !status.startsWith(u"Couldn't"_s);
        QCOMPARE(f.model.searchStatus(), status);
        QCOMPARE(f.model.searchOK(), ok);
        QCOMPARE(f.settings.searxngHost(), ok ? u"127.0.0.1"_s : u"localhost"_s);
        QCOMPARE(f.settings.searxngPort(), ok ? QString::number(server.port()) : u"8080"_s);
        QVERIFY(!f.settings.searxngUseHTTPS());
        QCOMPARE(f.settings.webSearchMode(), ok ? u"auto"_s : u"never"_s);
        QVERIFY(!f.model.isTestingSearch());
    }

    void skipForNowWritesTheModeOnly()
    {
        OnboardingFixture f;
        f.settings.setWebSearchMode(u"never"_s);
        f.settings.setSearxngHost(u"search.lan"_s);
        f.settings.setSearxngPort(u"8888"_s);
        f.settings.setSearxngUseHTTPS(true);
        f.goTo(OnboardingStage::Search);
        f.model.setSearxngDraft(u"http://other:1"_s);
        f.model.triggerGhost();
        QCOMPARE(f.model.stage(), OnboardingStage::Theme);
        QCOMPARE(f.settings.webSearchMode(), u"auto"_s);
        QCOMPARE(f.settings.searxngHost(), u"search.lan"_s);
        QCOMPARE(f.settings.searxngPort(), u"8888"_s);
        QVERIFY(f.settings.searxngUseHTTPS());
    }

    void fillDrafts()
    {
        OnboardingFixture f;
        f.settings.setUserName(u"Ada"_s);
        f.settings.setLmStudioServerAddress(u"  http://box:1234\n"_s);
        f.settings.setSearxngUseHTTPS(true);
        f.settings.setSearxngHost(u" search.lan "_s);
        f.settings.setSearxngPort(u"  "_s);
        f.model.fillDrafts();
        QCOMPARE(f.model.nameDraft(), u"Ada"_s);
        QCOMPARE(f.model.llmAddressDraft(), u"http://box:1234"_s);
        QCOMPARE(f.model.searxngDraft(), u"https://search.lan"_s);

        // What the user typed is never overwritten.
        f.model.setNameDraft(u"Grace"_s);
        f.settings.setSearxngPort(u"8443"_s);
        f.model.fillDrafts();
        QCOMPARE(f.model.nameDraft(), u"Grace"_s);
        QCOMPARE(f.model.searxngDraft(), u"https://search.lan"_s);
    }

    void finishResetsEveryDraft()
    {
        OnboardingFixture f;
        f.model.setNameDraft(u"Ada"_s);
        f.model.selectProvider(LLMProvider::Ollama);
        f.drafts.setLlmStatus(u"Connected to m"_s);
        f.drafts.setLlmOKRaw(1);
        f.model.setSearxngDraft(u"http://s"_s);
        f.drafts.setSearchStatus(u"1 result found"_s);
        f.drafts.setSearchOKRaw(1);
        f.goTo(OnboardingStage::Done);

        bool completedWhenAboutToFinish = true;
        connect(&f.model, &OnboardingModel::aboutToFinish, this,
                [&] { completedWhenAboutToFinish = f.settings.hasCompletedOnboarding(); });
        f.model.submit();
        QVERIFY(!completedWhenAboutToFinish);
        QVERIFY(f.settings.hasCompletedOnboarding());

        // Read back from the file, as the next launch would.
        const OnboardingDrafts reread(f.draftsFile());
        QCOMPARE(reread.stageRaw(), 0);
        QCOMPARE(reread.name(), QString());
        QCOMPARE(reread.provider(), QString());
        QCOMPARE(reread.llmAddress(), QString());
        QCOMPARE(reread.llmStatus(), QString());
        QCOMPARE(reread.llmOKRaw(), -1);
        QCOMPARE(reread.searxng(), QString());
        QCOMPARE(reread.searchStatus(), QString());
        QCOMPARE(reread.searchOKRaw(), -1);
    }

    void draftsLiveInTheStateLocation()
    {
        QTemporaryDir dir;
        qputenv("XDG_STATE_HOME", dir.path().toUtf8());
        QCOMPARE(OnboardingDrafts::defaultFilePath(), dir.filePath(u"velm/onboarding.ini"_s));
        qputenv("XDG_STATE_HOME", "relative/ignored");
        QCOMPARE(OnboardingDrafts::defaultFilePath(),
                 QDir::homePath() + u"/.local/state/velm/onboarding.ini"_s);
        qunsetenv("XDG_STATE_HOME");

        // A number that is not one reads as the initial value.
        QFile file(dir.filePath(u"drafts.ini"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nvelm.ob.stage=three\nvelm.ob.llmOKRaw=yes\n");
        file.close();
        const OnboardingDrafts drafts(file.fileName());
        QCOMPARE(drafts.stageRaw(), 0);
        QCOMPARE(drafts.llmOKRaw(), -1);
    }
};

VELM_TEST_MAIN(TestOnboardingModel)
#include "tst_onboardingmodel.moc"
