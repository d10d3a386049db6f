#pragma once

#include "chat/chatmessage.h"

#include <QObject>
#include <QString>
#include <QUuid>

#include <optional>

// The application-wide notifications through which the windows talk to each other without
// knowing each other. One hub is created at start-up and handed to everyone who posts or
// observes; observers connect to the typed signals below.
//
// Delivery is synchronous and in posting order (importDialogChat is always seen before the
// showMainWindow posted after it). Use the hub from the main thread only.
//
// What no observer could use is dropped before delivery, so observers need not check it.
class AppEvents : public QObject
{
    Q_OBJECT

public:
    explicit AppEvents(QObject *parent = nullptr);

    void postAskDialogDidOpen();
    void postOpenAskDialog();
    void postShowMainWindow();
    void postHideToMenuBar();
    void postQuitAsk();
    // Dropped when the question is blank: there is no chat to make from it. The texts are
    // delivered exactly as given, untrimmed; `reasoning` and `thinkingSeconds` are the
    // model's thought before the answer, if it had one; `model` and `stats` say which model
    // wrote the answer and how fast.
    bool postImportDialogChat(const QString &query, const QString &answer = QString(),
                              const QString &reasoning = QString(),
                              std::optional<double> thinkingSeconds = std::nullopt,
                              const QString &model = QString(),
                              const std::optional<AnswerStats> &stats = std::nullopt);
    void postChatsDidChangeExternally();
    // Dropped for the nil UUID, which no chat carries.
    bool postOpenChatSession(const QUuid &id);

Q_SIGNALS:
    void askDialogDidOpen();
    void openAskDialog();
    void showMainWindow();
    void hideToMenuBar();
    void quitAsk();
    void importDialogChat(const QString &query, const QString &answer, const QString &reasoning,
                          std::optional<double> thinkingSeconds, const QString &model,
                          const std::optional<AnswerStats> &stats);
    void chatsDidChangeExternally();
    void openChatSession(const QUuid &id);
};
