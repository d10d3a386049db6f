#pragma once

#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/chatsession.h"
#include "chat/chatstore.h"
#include "chat/conversationcontroller.h"
#include "chat/settings.h"
#include "support/fakeduckduckgoserver.h"
#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QNetworkAccessManager>
#include <QTemporaryDir>

#include <memory>

// Everything a ConversationController works with, on throw-away storage and fake services:
// a model server, a SearXNG instance and an instant-answer service on loopback (the latter
// two answer nothing until told to), search mode "never", onboarding completed, and a clock
// the test sets.
class ControllerFixture
{
public:
    ControllerFixture();
    ~ControllerFixture();

    bool isValid() const;

    Settings &settings() { return *m_settings; }
    ChatStore &store() { return *m_store; }
    AppEvents &events() { return m_events; }
    QNetworkAccessManager &network() { return m_network; }
    FakeModelServer &model() { return m_model; }
    FakeSearxngServer &searxng() { return m_searxng; }
    FakeDuckDuckGoServer &instant() { return m_instant; }

    // Made on first use, after the test has prepared the store and the settings; the
    // controller works on the list.
    ChatList &chatList();
    ConversationController &controller();
    void destroyController() { m_controller.reset(); }

    QDateTime now;

    // The list as a fresh load from the store sees it.
    QList<ChatSession> stored();
    // The chat list's conversations, each with all its messages.
    QList<ChatSession> shown();
    std::optional<ChatSession> storedSession(const QUuid &id);
    // Puts `sessions` into the store directly, as another window would.
    void store(const QList<ChatSession> &sessions);

    // The bodies POSTed for completions: streamed answers, and titles.
    QList<QJsonObject> answerRequests();
    QList<QJsonObject> titleRequests();
    // The connection of the n-th streamed answer request.
    int answerConnection(int n);

    // Waits until no answer runs; false after a generous limit.
    bool waitUntilIdle();

private:
    QList<FakeRequest> completionRequests(bool streamed);

    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_settings;
    std::unique_ptr<ChatStore> m_store;
    AppEvents m_events;
    QNetworkAccessManager m_network;
    FakeModelServer m_model;
    FakeSearxngServer m_searxng;
    FakeDuckDuckGoServer m_instant;
    bool m_listening = false;
    std::unique_ptr<ChatList> m_chatList;
    std::unique_ptr<ConversationController> m_controller;
};

// A stored conversation with these user and assistant texts, alternating.
ChatSession conversation(const QStringList &texts, bool archived = false);
