#pragma once

#include "base/apptheme.h"
#include "llm/llmresult.h"
#include "onboarding/llmprovider.h"
#include "onboarding/onboardingstage.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <optional>

class OnboardingDrafts;
class Settings;

// Everything the first-run flow does, without its widgets: the stage machine, the drafts,
// the footer of each stage, the two connection tests and the moments the preferences are
// written. The view shows what this says and calls its actions. Main thread only.
class OnboardingModel : public QObject
{
    Q_OBJECT

public:
    OnboardingModel(Settings &settings, OnboardingDrafts &drafts, QNetworkAccessManager &network,
                    QObject *parent = nullptr);
    ~OnboardingModel() override;

    // From the drafts; a number out of range is Welcome.
    OnboardingStage stage() const;
    QString nameDraft() const;
    void setNameDraft(const QString &name);
    std::optional<LLMProvider> provider() const;
    // Any edit of an address clears the result of its last test.
    QString llmAddressDraft() const;
    void setLlmAddressDraft(const QString &address);
    QString llmStatus() const;
    std::optional<bool> llmOK() const;
    QString searxngDraft() const;
    void setSearxngDraft(const QString &address);
    QString searchStatus() const;
    std::optional<bool> searchOK() const;
    bool isTestingLLM() const { return m_testingLLM; }
    bool isTestingSearch() const { return m_testingSearch; }

    // The footer of the current stage, as the view shows it.
    bool canGoBack() const;
    // Empty: no ghost button.
    QString ghostLabel() const;
    QString primaryLabel() const;
    // "→", "↗", "✓", or empty while a test runs.
    QString primaryIcon() const;
    bool primaryEnabled() const;

    // When the flow is shown: empty drafts start from what is stored.
    void fillDrafts();
    void advance();
    void back();
    void selectProvider(LLMProvider provider);
    void testLLM();
    void testSearxng();
    void commitSearxngDraft();
    void chooseTheme(AppTheme theme);
    void setQuickAskFollowsSystemTheme(bool follows);
    // The accent button.
    void triggerPrimary();
    // The ghost button; "Set up later" asks for its dialog through laterDialogRequested.
    void triggerGhost();
    // "Continue without LLM" in that dialog: moves on without writing anything.
    void continueWithoutLLM();
    // Return in a field or on a stage without one.
    void submit();
    void finish();

    // The address a SearXNG draft names, scheme defaulting to http; nullopt when it names
    // no host.
    static std::optional<QUrl> parseSearxngAddress(const QString &draft);
    // "1 result found", "N results found".
    static QString searchResultText(qsizetype count);

Q_SIGNALS:
    // Any draft, result, flag or footer state.
    void changed();
    void stageChanged(OnboardingStage stage);
    void laterDialogRequested();
    // First thing in finish(), while the flow is still shown.
    void aboutToFinish();
    void llmTestFinished(bool ok);
    void searchTestFinished(bool ok);

private:
    void setStage(OnboardingStage stage);
    // The tests hold the model weakly: the window and its model may go while they wait.
    static QCoro::Task<> runLLMTest(QPointer<OnboardingModel> self, QString address,
                                    QPointer<QNetworkAccessManager> network);
    void endLLMTest(const QString &address, const LLMResult<QString> &model);
    static QCoro::Task<> runSearchTest(QPointer<OnboardingModel> self, QString address,
                                       QPointer<QNetworkAccessManager> network);
    void endSearchTest(const QString &address, std::optional<qsizetype> count);
    // Writes the SearXNG settings `address` names, and always the "auto" search mode.
    void commitSearxngAddress(const QString &address);

    Settings &m_settings;
    OnboardingDrafts &m_drafts;
    QNetworkAccessManager &m_network;
    bool m_testingLLM = false;
    bool m_testingSearch = false;
};
