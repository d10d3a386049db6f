#include "onboarding/onboardingmodel.h"

#include "chat/settings.h"
#include "llm/localllmclient.h"
#include "llm/serveraddress.h"
#include "onboarding/onboardingdrafts.h"
#include "onboarding/onboardinglog.h"
#include "search/websearchclient.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {

// What the connection test looks up.
const QString testQuery = u"test"_s;

// The client refuses a bad address with "Check server address"; here the user has just
// typed it, so they are told what is wrong with it.
QString llmFailureText(const QString &address, const LocalLLMError &error)
{
    if (const std::optional<QString> problem = serverAddressProblem(address))
        return problem->front().toUpper() + problem->sliced(1);
    return error.descriptionOr(QCoreApplication::translate("OnboardingModel", "Connection failed"));
}

std::optional<bool> okFromRaw(int raw)
{
    if (raw < 0)
        return std::nullopt;
    return raw == 1;
}

const char *failureReason(SearchError error)
{
    switch (error) {
    case SearchError::None:
        break;
    case SearchError::Unreachable:
        return "nothing listens there";
    case SearchError::Network:
        return "network error";
    case SearchError::Timeout:
        return "no answer in time";
    case SearchError::BadResponse:
        return "not a successful HTTP answer";
    case SearchError::Undecodable:
        return "not SearXNG's JSON";
    case SearchError::InvalidAddress:
        return "no usable address";
    case SearchError::Cancelled:
        return "cancelled";
    }
    return "ok";
}

} // namespace

OnboardingModel::OnboardingModel(Settings &settings, OnboardingDrafts &drafts,
                                 QNetworkAccessManager &network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_drafts(drafts)
    , m_network(network)
{ }

OnboardingModel::~OnboardingModel() = default;

OnboardingStage OnboardingModel::stage() const
{
    return onboardingStageFromRaw(m_drafts.stageRaw());
}

QString OnboardingModel::nameDraft() const
{
    return m_drafts.name();
}

void OnboardingModel::setNameDraft(const QString &name)
{
    if (name == m_drafts.name())
        return;
    m_drafts.setName(name);
    Q_EMIT changed();
}

std::optional<LLMProvider> OnboardingModel::provider() const
{
    return llmProviderFromRaw(m_drafts.provider());
}

QString OnboardingModel::llmAddressDraft() const
{
    return m_drafts.llmAddress();
}

void OnboardingModel::setLlmAddressDraft(const QString &address)
{
    // Setting the same text again is no edit and must not throw away a result.
    if (address == m_drafts.llmAddress())
        return;
    m_drafts.setLlmAddress(address);
    m_drafts.setLlmOKRaw(-1);
    m_drafts.setLlmStatus(QString());
    Q_EMIT changed();
}

QString OnboardingModel::llmStatus() const
{
    return m_drafts.llmStatus();
}

std::optional<bool> OnboardingModel::llmOK() const
{
    return okFromRaw(m_drafts.llmOKRaw());
}

QString OnboardingModel::searxngDraft() const
{
    return m_drafts.searxng();
}

void OnboardingModel::setSearxngDraft(const QString &address)
{
    if (address == m_drafts.searxng())
        return;
    m_drafts.setSearxng(address);
    m_drafts.setSearchOKRaw(-1);
    m_drafts.setSearchStatus(QString());
    Q_EMIT changed();
}

QString OnboardingModel::searchStatus() const
{
    return m_drafts.searchStatus();
}

std::optional<bool> OnboardingModel::searchOK() const
{
    return okFromRaw(m_drafts.searchOKRaw());
}

bool OnboardingModel::canGoBack() const
{
    const OnboardingStage current = stage();
    return current != OnboardingStage::Welcome && current != OnboardingStage::Done;
}

QString OnboardingModel::ghostLabel() const
{
    switch (stage()) {
    case OnboardingStage::Name:
        return tr("Stay anonymous");
    case OnboardingStage::Llm:
        return llmOK() == true ? QString() : tr("Set up later");
    case OnboardingStage::Search:
        return searchOK() == true ? QString() : tr("Skip for now");
    case OnboardingStage::Welcome:
    case OnboardingStage::Theme:
    case OnboardingStage::Done:
        break;
    }
    return QString();
}

QString OnboardingModel::primaryLabel() const
{
    const auto testLabel
        = [](bool testing) { return testing ? tr("Testing…") : tr("Test connection"); };
    switch (stage()) {
    case OnboardingStage::Welcome:
        return tr("Get started");
    case OnboardingStage::Llm:
        return llmOK() == true ? tr("Continue") : testLabel(m_testingLLM);
    case OnboardingStage::Search:
        return searchOK() == true ? tr("Continue") : testLabel(m_testingSearch);
    case OnboardingStage::Name:
    case OnboardingStage::Theme:
        return tr("Continue");
    case OnboardingStage::Done:
        return tr("Start using velm");
    }
    return QString();
}

QString OnboardingModel::primaryIcon() const
{
    const auto testIcon = [](bool testing) { return testing ? QString() : u"↗"_s; };
    switch (stage()) {
    case OnboardingStage::Llm:
        return llmOK() == true ? u"→"_s : testIcon(m_testingLLM);
    case OnboardingStage::Search:
        return searchOK() == true ? u"→"_s : testIcon(m_testingSearch);
    case OnboardingStage::Done:
        return u"✓"_s;
    case OnboardingStage::Welcome:
    case OnboardingStage::Name:
    case OnboardingStage::Theme:
        break;
    }
    return u"→"_s;
}

bool OnboardingModel::primaryEnabled() const
{
    switch (stage()) {
    case OnboardingStage::Name:
        return !nameDraft().trimmed().isEmpty();
    case OnboardingStage::Llm:
        return llmOK() == true || (!m_testingLLM && !llmAddressDraft().trimmed().isEmpty());
    case OnboardingStage::Search:
        return searchOK() == true || (!m_testingSearch && !searxngDraft().trimmed().isEmpty());
    case OnboardingStage::Welcome:
    case OnboardingStage::Theme:
    case OnboardingStage::Done:
        break;
    }
    return true;
}

void OnboardingModel::fillDrafts()
{
    // Filling is not an edit: the results of earlier tests stay.
    if (m_drafts.name().isEmpty())
        m_drafts.setName(m_settings.userName());
    if (m_drafts.llmAddress().isEmpty())
        m_drafts.setLlmAddress(m_settings.lmStudioServerAddress().trimmed());
    if (m_drafts.searxng().isEmpty()) {
        QString address = (m_settings.searxngUseHTTPS() ? u"https"_s : u"http"_s) + u"://"_s
            + m_settings.searxngHost().trimmed();
        const QString port = m_settings.searxngPort().trimmed();
        if (!port.isEmpty())
            address += u':' + port;
        m_drafts.setSearxng(address);
    }
    Q_EMIT changed();
}

void OnboardingModel::advance()
{
    const int next = static_cast<int>(stage()) + 1;
    if (next < onboardingStageCount)
        setStage(static_cast<OnboardingStage>(next));
}

void OnboardingModel::back()
{
    const int previous = static_cast<int>(stage()) - 1;
    if (previous >= 0)
        setStage(static_cast<OnboardingStage>(previous));
}

void OnboardingModel::setStage(OnboardingStage stage)
{
    m_drafts.setStageRaw(static_cast<int>(stage));
    Q_EMIT stageChanged(stage);
    Q_EMIT changed();
}

void OnboardingModel::selectProvider(LLMProvider provider)
{
    m_drafts.setProvider(llmProviderRaw(provider));
    m_drafts.setLlmAddress(llmProviderDefaultAddress(provider));
    m_drafts.setLlmOKRaw(-1);
    m_drafts.setLlmStatus(QString());
    Q_EMIT changed();
}

void OnboardingModel::testLLM()
{
    const QString address = llmAddressDraft().trimmed();
    if (address.isEmpty() || m_testingLLM)
        return;
    m_testingLLM = true;
    m_drafts.setLlmStatus(QString());
    m_drafts.setLlmOKRaw(-1);
    Q_EMIT changed();
    runLLMTest(QPointer<OnboardingModel>(this), address, &m_network);
}

QCoro::Task<> OnboardingModel::runLLMTest(QPointer<OnboardingModel> self, QString address,
                                          QPointer<QNetworkAccessManager> network)
{
    const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, network);
    if (!client) {
        if (self)
            self->endLLMTest(address, client.error());
        co_return;
    }
    LLMResult<QString> model = co_await client.value().resolveModelID();
    if (self)
        self->endLLMTest(address, std::move(model));
}

void OnboardingModel::endLLMTest(const QString &address, const LLMResult<QString> &model)
{
    m_testingLLM = false;
    const bool ok = model.ok();
    if (ok)
        // What the user typed, not its normalised form: the settings show it as typed.
        m_settings.setLmStudioServerAddress(address);
    // An address edited while the test ran has not been tested: its result stays cleared.
    if (llmAddressDraft().trimmed() == address) {
        //: %1 is the model the server answers with
        m_drafts.setLlmStatus(ok ? tr("Connected to %1").arg(model.value())
                                 : llmFailureText(address, model.error()));
        m_drafts.setLlmOKRaw(ok ? 1 : 0);
    }
    qCInfo(lcOnboarding, "Onboarding test of the model server: %s", ok ? "ok" : "failed");
    Q_EMIT llmTestFinished(ok);
    Q_EMIT changed();
}

void OnboardingModel::testSearxng()
{
    const QString address = searxngDraft().trimmed();
    if (address.isEmpty() || m_testingSearch)
        return;
    m_testingSearch = true;
    m_drafts.setSearchStatus(QString());
    m_drafts.setSearchOKRaw(-1);
    Q_EMIT changed();
    runSearchTest(QPointer<OnboardingModel>(this), address, &m_network);
}

QCoro::Task<> OnboardingModel::runSearchTest(QPointer<OnboardingModel> self, QString address,
                                             QPointer<QNetworkAccessManager> network)
{
    SearxngCheck check{SearchError::InvalidAddress, 0};
    if (const std::optional<QUrl> base = parseSearxngAddress(address)) {
        const WebSearchClient client(network);
        check = co_await client.checkSearXNG(testQuery, base->toString());
    }
    qCInfo(lcOnboarding, "Onboarding test of SearXNG: %s", failureReason(check.error));
    if (self)
        self->endSearchTest(address,
                            check.failed() ? std::nullopt : std::optional(check.resultCount));
}

void OnboardingModel::endSearchTest(const QString &address, std::optional<qsizetype> count)
{
    m_testingSearch = false;
    const bool ok = count.has_value();
    // The instance that answered, not whatever the draft says by now.
    if (ok)
        commitSearxngAddress(address);
    if (searxngDraft().trimmed() == address) {
        m_drafts.setSearchStatus(ok ? searchResultText(*count)
                                    : tr("Couldn't reach SearXNG instance"));
        m_drafts.setSearchOKRaw(ok ? 1 : 0);
    }
    Q_EMIT searchTestFinished(ok);
    Q_EMIT changed();
}

void OnboardingModel::commitSearxngDraft()
{
    commitSearxngAddress(searxngDraft());
}

void OnboardingModel::commitSearxngAddress(const QString &address)
{
    if (const std::optional<QUrl> url = parseSearxngAddress(address)) {
        m_settings.setSearxngHost(url->host());
        m_settings.setSearxngPort(url->port() < 0 ? QString() : QString::number(url->port()));
        m_settings.setSearxngUseHTTPS(url->scheme().compare(u"https"_s, Qt::CaseInsensitive) == 0);
    }
    m_settings.setWebSearchMode(u"auto"_s);
}

void OnboardingModel::chooseTheme(AppTheme theme)
{
    m_settings.setAppTheme(AppThemes::rawValue(theme));
    Q_EMIT changed();
}

void OnboardingModel::setQuickAskFollowsSystemTheme(bool follows)
{
    m_settings.setQuickAskFollowsSystemTheme(follows);
    Q_EMIT changed();
}

void OnboardingModel::triggerPrimary()
{
    if (!primaryEnabled())
        return;
    switch (stage()) {
    case OnboardingStage::Welcome:
    case OnboardingStage::Theme:
        advance();
        break;
    case OnboardingStage::Name:
        m_settings.setUserName(nameDraft().trimmed());
        advance();
        break;
    case OnboardingStage::Llm:
        // A result read back from the drafts file may belong to a draft edited by hand.
        if (llmOK() == true && !serverAddressProblem(llmAddressDraft())) {
            m_settings.setLmStudioServerAddress(llmAddressDraft().trimmed());
            advance();
        } else {
            testLLM();
        }
        break;
    case OnboardingStage::Search:
        if (searchOK() == true) {
            commitSearxngDraft();
            advance();
        } else {
            testSearxng();
        }
        break;
    case OnboardingStage::Done:
        finish();
        break;
    }
}

void OnboardingModel::triggerGhost()
{
    switch (stage()) {
    case OnboardingStage::Name:
        m_drafts.setName(QString());
        advance();
        break;
    case OnboardingStage::Llm:
        if (llmOK() != true)
            Q_EMIT laterDialogRequested();
        break;
    case OnboardingStage::Search:
        if (searchOK() != true) {
            m_settings.setWebSearchMode(u"auto"_s);
            advance();
        }
        break;
    case OnboardingStage::Welcome:
    case OnboardingStage::Theme:
    case OnboardingStage::Done:
        break;
    }
}

void OnboardingModel::continueWithoutLLM()
{
    // A dialog answered late must not skip a stage the user has reached meanwhile.
    if (stage() == OnboardingStage::Llm)
        advance();
}

void OnboardingModel::submit()
{
    // Return does what the accent button does, and nothing while it is disabled (a blank
    // name, an empty address, a test already running).
    triggerPrimary();
}

void OnboardingModel::finish()
{
    Q_EMIT aboutToFinish();
    m_settings.setHasCompletedOnboarding(true);
    m_drafts.resetAll();
    m_testingLLM = false;
    m_testingSearch = false;
    qCInfo(lcOnboarding, "Onboarding finished");
    Q_EMIT changed();
}

std::optional<QUrl> OnboardingModel::parseSearxngAddress(const QString &draft)
{
    QString text = draft.trimmed();
    if (!text.contains(u"://"_s, Qt::CaseInsensitive))
        text.prepend(u"http://"_s);
    while (text.endsWith(u'/'))
        text.chop(1);
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.host().isEmpty())
        return std::nullopt;
    return url;
}

QString OnboardingModel::searchResultText(qsizetype count)
{
    if (count == 1)
        return tr("1 result found");
    return tr("%n results found", nullptr, int(count));
}
