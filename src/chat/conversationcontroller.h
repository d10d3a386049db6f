#pragma once

#include "base/cancellationtoken.h"
#include "chat/answerpipeline.h"
#include "chat/answerrequest.h"
#include "chat/chatsession.h"
#include "chat/modelchoice.h"
#include "llm/localllmerror.h"
#include "search/searchresult.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUuid>

#include <QCoroTask>

#include <chrono>
#include <functional>
#include <optional>

class AppEvents;
class ChatList;
class QNetworkAccessManager;
class Settings;

// The state of the main window and what changes it: the selection, the composer, and the
// answer that streams in, over the process's one ChatList, whose changes it passes on as
// sessionsChanged(). Views read the state and bind to the change signals; every change
// happens on the main thread.
//
// Answers and titles run as coroutines on the main thread. Each answer has an identity and a
// CancellationToken of its own; several may run at once (a new chat does not stop the answer
// of the previous one), and the stop button always reaches the newest.
class ConversationController : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString draft READ draft WRITE setDraft NOTIFY draftChanged)
    Q_PROPERTY(bool canSend READ canSend NOTIFY canSendChanged)
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY isLoadingChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)
    Q_PROPERTY(int streamVersion READ streamVersion NOTIFY streamVersionChanged)
    Q_PROPERTY(QString greeting READ greeting NOTIFY greetingChanged)
    Q_PROPERTY(QString webSearchLabel READ webSearchLabel NOTIFY webSearchModeChanged)

public:
    using Clock = std::function<QDateTime()>;
    using AnswerTaskId = quint64;

    // The running answer the stop button stops.
    struct StreamTask
    {
        AnswerTaskId id = 0;
        CancellationToken token;
    };

    // `clock` gives the current time (the dates of conversations, the greeting); by default
    // the system clock.
    ConversationController(Settings &settings, ChatList &chats, AppEvents &events,
                           QNetworkAccessManager &network, Clock clock = {},
                           QObject *parent = nullptr);
    // Stops every answer and title still running.
    ~ConversationController() override;

    // The list the window shows and changes (the store notice lives there too).
    ChatList &chatList() const { return m_chats; }
    // The model the answers come from, as the composer's chip shows it.
    ModelChoice &modelChoice() { return m_modelChoice; }
    const QList<ChatSession> &sessions() const;
    // The conversation `id`, if it is in the list.
    std::optional<ChatSession> session(const QUuid &id) const;
    // The open conversation; none shows the new-chat screen.
    std::optional<QUuid> sidebarItem() const { return m_sidebarItem; }
    QString draft() const { return m_draft; }
    bool isLoading() const { return m_isLoading; }
    bool isSearching() const { return m_isSearching; }
    const std::optional<StreamTask> &streamTask() const { return m_streamTask; }
    int streamVersion() const { return m_streamVersion; }
    std::optional<QUuid> renamingItemId() const { return m_renamingItemId; }

    void setDraft(const QString &draft);
    // Files that go with the draft, in the order they were attached.
    const QList<Attachment> &draftAttachments() const { return m_draftAttachments; }
    // Adds a file to the draft; false when it already carries Attachment::maxPerQuestion.
    bool addAttachment(const Attachment &attachment);
    void removeAttachment(qsizetype index);

    // For the new-chat screen (see NewChatLabels), from the settings and the clock.
    QString greeting() const;
    QString webSearchLabel() const;

    // The draft holds more than blanks or a file, and no answer is under way.
    bool canSend() const;
    // Appends the draft to the open conversation (a new one when none is open), saves, and
    // starts the answer, and for a first message the title.
    void sendMessage();
    // Stops the newest answer; what has arrived of it stays.
    void stopStreaming();

    // The steps of an answer, run by its task. `taskId` tells which answer ends: only the
    // newest one's end clears `isLoading`.
    void appendStreamDelta(const QUuid &sessionId, const QUuid &messageId, const QString &piece);
    // The answer's thought as it streams; announced like a piece.
    void updateStreamingAnswer(const QUuid &sessionId, const QUuid &messageId,
                               const std::function<void(ChatMessage &)> &change);
    // `sources` are the web results shown under the answer.
    void finishAnswer(const QList<SearchResult> &sources, const QUuid &sessionId,
                      const QUuid &messageId, AnswerTaskId taskId);
    void failAnswer(const LocalLLMError &error, const QUuid &sessionId, AnswerTaskId taskId);

    // Asking again and choosing among the versions of an answer.

    // The open conversation ends with an answer and no answer is under way.
    bool canRegenerate() const;
    // Asks again for the open conversation's last answer, from the history before it; the
    // new version streams into the same message, and the earlier ones stay.
    void regenerate();
    // Shows version `index` of the answer `messageId` of the open conversation.
    void chooseVersion(const QUuid &messageId, qsizetype index);

    // Editing a question in place.

    // The question whose bubble is an edit field now.
    std::optional<QUuid> editingMessageId() const { return m_editingMessageId; }
    // A question can be edited while no answer is under way.
    bool canEdit() const { return !m_isLoading; }
    void beginEdit(const QUuid &messageId);
    // The open conversation's last question, for Up in an empty composer.
    void editLastQuestion();
    void cancelEdit();
    // The question reads `text` now, the messages after it go, and it is asked again. For
    // `undoDuration` undoEdit() brings the conversation back as it was.
    void submitEdit(const QUuid &messageId, const QString &text);
    bool canUndoEdit() const { return m_undo.has_value(); }
    // Stops the answer the edit started and restores the conversation exactly.
    void undoEdit();
    static constexpr std::chrono::milliseconds undoDuration{10000};

    // Asks the model for a title of the conversation in the background.
    void requestTitle(const QUuid &sessionId, const QString &firstUserText);
    // Sets a generated title unless the conversation has a title by now (the user renamed
    // it meanwhile).
    void applyGeneratedTitle(const QUuid &sessionId, const QString &title);

    // The New Chat button (announced by newChatStarted). An answer still running goes on in
    // its own conversation.
    void startNewChat();
    // Back to an empty window when onboarding was completed or reset; stops the answer
    // (announced by windowReset).
    void resetToNewChat(bool onboardingCompleted);
    void selectSession(const QUuid &id);
    // Announces composerFocusRequested() after `delay`.
    void focusComposerSoon(std::chrono::milliseconds delay);
    void beginRename(const QUuid &id);
    void commitRename(const QUuid &id, const QString &text);
    void setArchived(const QUuid &id, bool archived);
    void restore(const QUuid &id);
    void deleteSession(const QUuid &id);
    // A Quick Ask exchange becomes a new conversation, opened at once.
    void importDialogExchange(const ChatMessage &question, const ChatMessage &answer);
    // Opens the conversation `id` if it exists (archived ones too).
    void openSession(const QUuid &id);

Q_SIGNALS:
    // The list or one of its conversations changed; text that streams into an answer is
    // announced by streamVersionChanged instead, at most every 50 ms.
    void sessionsChanged();
    void sidebarItemChanged();
    void draftChanged();
    void draftAttachmentsChanged();
    void canSendChanged();
    void isLoadingChanged();
    void isSearchingChanged();
    void streamTaskChanged();
    void streamVersionChanged(int version);
    void renamingItemIdChanged();
    // A new chat was asked for: the new-chat screen plays its entrance again.
    void newChatStarted();
    // The window went back to empty (resetToNewChat); the views return to how they start.
    // Without a completed onboarding the first-run flow shows next.
    void windowReset(bool onboardingCompleted);
    void greetingChanged();
    void webSearchModeChanged();
    // The composer should take the keyboard focus now.
    void composerFocusRequested();
    void editingMessageIdChanged();
    // An edit can be undone now, or no longer.
    void canUndoEditChanged();

private:
    struct RunningAnswer
    {
        AnswerTaskId id = 0;
        CancellationToken token;
        QUuid sessionId;
        // Set once the answer has its message.
        QUuid messageId;
        // For an answer asked for again: the version shown before.
        std::optional<qsizetype> previousVersion;
    };

    // The conversation as it was before an edit, and the answer the edit started.
    struct EditUndo
    {
        ChatSession before;
        AnswerTaskId taskId = 0;
    };

    static QCoro::Task<> runAnswer(QPointer<ConversationController> self, AnswerTaskId taskId,
                                   CancellationToken token, AnswerRequest request, QUuid answerId);
    static QCoro::Task<> runTitle(QPointer<ConversationController> self, QUuid sessionId,
                                  QString firstUserText, CancellationToken token);

    // Whether a task that resumes after an await must leave the controller alone.
    static bool isGone(const QPointer<ConversationController> &self);

    QDateTime now() const;
    // The list changed: a selected conversation that is gone cannot stay open (an archived
    // one can).
    void onSessionsChanged();
    // `answerId` is the answer asked for again, whose new version streams in; none for a
    // new answer.
    void startAnswer(AnswerRequest request, const QUuid &answerId = {},
                     std::optional<qsizetype> previousVersion = std::nullopt);
    // A request for the open conversation's `history`, whose last message is the question.
    AnswerRequest requestFor(const QUuid &sessionId, const QList<ChatMessage> &history) const;
    const RunningAnswer *runningAnswer(AnswerTaskId taskId) const;
    // An answer still streams into the conversation `sessionId`.
    bool isAnswering(const QUuid &sessionId) const;
    void setEditingMessageId(std::optional<QUuid> id);
    void setUndo(std::optional<EditUndo> undo);
    // Appends the empty answer that the stream fills; its id.
    QUuid beginAnswerMessage(AnswerTaskId taskId, const QUuid &sessionId);
    void endAnswer(AnswerTaskId taskId);
    void onSettingChanged(const QString &key);

    void setSidebarItem(std::optional<QUuid> item);
    void setLoading(bool loading);
    void setSearching(bool searching);
    void setSearchingFor(AnswerTaskId taskId, bool searching);
    void setStreamTask(std::optional<StreamTask> task);
    void setRenamingItemId(std::optional<QUuid> id);
    void bumpStreamVersion();
    void updateCanSend(bool before);
    void setDraftAttachments(QList<Attachment> attachments);

    Settings &m_settings;
    ChatList &m_chats;
    AnswerPipeline m_pipeline;
    ModelChoice m_modelChoice;
    Clock m_clock;

    std::optional<QUuid> m_sidebarItem;
    QString m_draft;
    QList<Attachment> m_draftAttachments;
    bool m_isLoading = false;
    bool m_isSearching = false;
    std::optional<StreamTask> m_streamTask;
    int m_streamVersion = 0;
    std::optional<QUuid> m_renamingItemId;

    bool m_onboardingCompleted = false;
    bool m_closing = false;
    QTimer m_streamPulse;
    QList<RunningAnswer> m_answers;
    AnswerTaskId m_newestAnswer = 0;
    std::optional<QUuid> m_editingMessageId;
    std::optional<EditUndo> m_undo;
    QTimer m_undoTimer;
    // Shared by the title requests, which only ever stop all together.
    CancellationToken m_titleToken;
};
