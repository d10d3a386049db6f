#pragma once

#include "attachments/attachment.h"
#include "base/cancellationtoken.h"
#include "chat/answerpipeline.h"
#include "llm/localllmmessage.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <QCoroTask>

#include <optional>

class AppEvents;
class LocalLLMError;
class QNetworkAccessManager;
class Settings;

// The state of the Quick Ask bar and the question it is asking, without any widget, so the
// bar's behaviour can be driven and checked without drawing it.
//
// One question at a time: the answer is kept back while it streams and shown whole when the
// stream has ended, and never sooner than 0.7 s after sending, so a fast server does not make
// the bar flicker from dots to text. Nothing is stored; the exchange leaves the bar only
// through "Save & continue in Chat".
class AskDialogModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString query READ query WRITE setQuery NOTIFY queryChanged)
    Q_PROPERTY(QString answer READ answer NOTIFY answerChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(bool isThinking READ isThinking NOTIFY isThinkingChanged)
    Q_PROPERTY(bool hasQueryText READ hasQueryText NOTIFY hasQueryTextChanged)
    Q_PROPERTY(bool hasActivity READ hasActivity NOTIFY hasActivityChanged)
    Q_PROPERTY(bool canContinue READ canContinue NOTIFY canContinueChanged)

public:
    // The shortest time from sending to showing an answer.
    static constexpr int minimumAnswerDelayMs = 700;
    // How long after a reset the text field takes the focus (the panel must be key first).
    static constexpr int focusDelayMs = 100;

    // Every "askDialogDidOpen" on `events` resets the bar.
    AskDialogModel(Settings &settings, AppEvents &events, QNetworkAccessManager &network,
                   QObject *parent = nullptr);
    // Stops the question still running.
    ~AskDialogModel() override;

    QString query() const { return m_query; }
    // Files that go with the question, in the order they were attached; they stay with it
    // as its text does, until a new question or a follow-up.
    const QList<Attachment> &attachments() const { return m_attachments; }
    // Adds a file; false when the question already carries Attachment::maxPerQuestion.
    bool addAttachment(const Attachment &attachment);
    void removeAttachment(qsizetype index);
    // The finished answer, or the text of the failure that ended the question.
    QString answer() const { return m_answer; }
    bool isLoading() const { return m_isLoading; }
    bool isSearching() const { return m_isSearching; }
    // The model is thinking before it answers: its thought streams in, the answer has not
    // begun.
    bool isThinking() const { return m_isThinking; }
    // Whole seconds since the thought began; 0 when the model is not thinking.
    int thinkingElapsedSeconds() const;
    // The thought before the finished answer, kept to be saved with it; empty when none.
    QString reasoning() const { return m_reasoning; }
    // The question and answer pairs kept by "Follow up", oldest first.
    const QList<LocalLLMMessage> &conversationContext() const { return m_conversationContext; }
    // Whether a question is running that stopAnswer() would stop.
    bool hasStreamTask() const { return m_streamTask.has_value(); }

    // The question holds more than white space and line breaks, or a file.
    bool hasQueryText() const;
    // Answer mode rather than input mode.
    bool hasActivity() const;
    // The exchange is finished and has something to follow up on or to save.
    bool canContinue() const;

public Q_SLOTS:
    void setQuery(const QString &query);
    // Asks the question in the field; nothing when it is blank or a question is running.
    void sendQuery();
    // Abandons the running question; the field keeps it, to be edited and sent again.
    void stopAnswer();
    // Back to an empty field, forgetting the kept pairs too.
    void startNewQuestion();
    // Keeps the finished exchange as context for the next question, then clears the field.
    void askFollowUp();
    // Hands question and answer to the main window as a new chat, exactly as they stand.
    void saveAndContinueInChat();
    // Everything back to an empty input, as every opening of the bar starts ("askDialogDidOpen").
    void resetForOpen();

Q_SIGNALS:
    void queryChanged(const QString &query);
    void attachmentsChanged();
    void answerChanged(const QString &answer);
    void isLoadingChanged(bool loading);
    void isSearchingChanged(bool searching);
    void isThinkingChanged(bool thinking);
    void conversationContextChanged();
    void hasQueryTextChanged(bool hasText);
    void hasActivityChanged(bool hasActivity);
    void canContinueChanged(bool canContinue);
    // The text field should take the focus now.
    void focusRequested();

private:
    using TaskId = quint64;

    struct DerivedState
    {
        bool hasQueryText;
        bool hasActivity;
        bool canContinue;
    };

    static QCoro::Task<> runAsk(QPointer<AskDialogModel> self, TaskId id, CancellationToken token,
                                AnswerPipeline::Question question, QDeadlineTimer earliestAnswer);
    // Waits until `deadline`, or less when `token` is cancelled meanwhile.
    static QCoro::Task<> sleepUntil(QDeadlineTimer deadline, CancellationToken token);

    bool isCurrent(TaskId id) const { return id == m_newestTask; }
    void finishAsk(TaskId id, const AnswerPipeline::Outcome &outcome);
    void setIsThinking(bool thinking);
    void showFailure(TaskId id, const LocalLLMError &error);
    void cancelStreamTask();
    void focusInputSoon();

    DerivedState derivedState() const;
    // Announces the derived values that differ from `before`.
    void emitDerivedChanges(const DerivedState &before);
    void setAnswer(const QString &answer);
    void setIsLoading(bool loading);
    void setIsSearching(bool searching);
    void setConversationContext(const QList<LocalLLMMessage> &context);
    void setAttachments(QList<Attachment> attachments);

    Settings &m_settings;
    AppEvents &m_events;
    AnswerPipeline m_pipeline;

    QString m_query;
    QList<Attachment> m_attachments;
    QString m_answer;
    bool m_isLoading = false;
    bool m_isSearching = false;
    bool m_isThinking = false;
    QElapsedTimer m_thinkingClock;
    QString m_reasoning;
    std::optional<double> m_thinkingSeconds;
    // The model that wrote the answer, and how fast.
    QString m_model;
    std::optional<AnswerStats> m_stats;
    QList<LocalLLMMessage> m_conversationContext;
    std::optional<CancellationToken> m_streamTask;
    // Only the newest question may end the loading state: one abandoned by "New question"
    // can still be winding down when the next one starts.
    TaskId m_newestTask = 0;
};
