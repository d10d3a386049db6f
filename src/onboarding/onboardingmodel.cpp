#include "onboarding/onboardingmodel.h"

#include "core/settings.h"
#include "onboarding/onboardingdrafts.h"

// Stubs while the flow is being written.

OnboardingModel::OnboardingModel(Settings *settings, OnboardingDrafts *drafts,
                                 QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_drafts(drafts)
    , m_network(network)
{ }

OnboardingModel::~OnboardingModel() = default;

OnboardingStage OnboardingModel::stage() const
{
    return OnboardingStage::Welcome;
}

QString OnboardingModel::nameDraft() const
{
    return QString();
}

void OnboardingModel::setNameDraft(const QString &)
{
    return;
}

std::optional<LLMProvider> OnboardingModel::provider() const
{
    return {};
}

QString OnboardingModel::llmAddressDraft() const
{
    return QString();
}

void OnboardingModel::setLlmAddressDraft(const QString &)
{
    return;
}

QString OnboardingModel::llmStatus() const
{
    return QString();
}

std::optional<bool> OnboardingModel::llmOK() const
{
    return {};
}

QString OnboardingModel::searxngDraft() const
{
    return QString();
}

void OnboardingModel::setSearxngDraft(const QString &)
{
    return;
}

QString OnboardingModel::searchStatus() const
{
    return QString();
}

std::optional<bool> OnboardingModel::searchOK() const
{
    return {};
}

bool OnboardingModel::canGoBack() const
{
    return false;
}

QString OnboardingModel::ghostLabel() const
{
    return QString();
}

QString OnboardingModel::primaryLabel() const
{
    return QString();
}

QString OnboardingModel::primaryIcon() const
{
    return QString();
}

bool OnboardingModel::primaryEnabled() const
{
    return false;
}

void OnboardingModel::fillDrafts()
{
    return;
}

void OnboardingModel::advance()
{
    return;
}

void OnboardingModel::back()
{
    return;
}

void OnboardingModel::selectProvider(LLMProvider)
{
    return;
}

void OnboardingModel::testLLM()
{
    return;
}

void OnboardingModel::testSearxng()
{
    return;
}

void OnboardingModel::commitSearxngDraft()
{
    return;
}

void OnboardingModel::chooseTheme(AppTheme)
{
    return;
}

void OnboardingModel::setQuickAskFollowsSystemTheme(bool)
{
    return;
}

void OnboardingModel::triggerPrimary()
{
    return;
}

void OnboardingModel::triggerGhost()
{
    return;
}

void OnboardingModel::continueWithoutLLM()
{
    return;
}

void OnboardingModel::submit()
{
    return;
}

void OnboardingModel::finish()
{
    return;
}

std::optional<QUrl> OnboardingModel::parseSearxngAddress(const QString &)
{
    return {};
}

std::optional<QUrl> OnboardingModel::searxngTestURL(const QString &)
{
    return {};
}

QString OnboardingModel::searchResultText(qsizetype)
{
    return QString();
}

std::optional<qsizetype> OnboardingModel::searxngResultCount(const QByteArray &)
{
    return {};
}
