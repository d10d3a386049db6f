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
    // Dropped when the question has neither text nor a file: there is no chat to make from
    // it. The messages are delivered exactly as given, their texts untrimmed: the question
    // with its files, the answer with the model's thought, the model and its figures.
    bool postImportDialogChat(const ChatMessage &question,
                              const ChatMessage &answer
                              = ChatMessage(ChatMessage::Role::Assistant, QString()));
    void postChatsDidChangeExternally();
    // Dropped for the nil UUID, which no chat carries.
    bool postOpenChatSession(const QUuid &id);

Q_SIGNALS:
    void askDialogDidOpen();
    void openAskDialog();
    void showMainWindow();
    void hideToMenuBar();
    void quitAsk();
    void importDialogChat(const ChatMessage &question, const ChatMessage &answer);
    void chatsDidChangeExternally();
    void openChatSession(const QUuid &id);
};
