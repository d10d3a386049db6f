#include "controllerfixture.h"

#include "support/storedchats.h"

#include <QDir>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

ControllerFixture::ControllerFixture()
    : now(QDate(2025, 3, 4), QTime(10, 0), Qt::UTC)
{
    const QString data = m_dir.filePath(u"data"_s);
    QDir().mkpath(data);
    m_settings = std::make_unique<Settings>(m_dir.filePath(u"velm.conf"_s), data);
    m_store = std::make_unique<ChatStore>(*m_settings);
    m_listening = m_model.listen() && m_searxng.listen() && m_instant.listen();

    // The instant-answer service is the public one unless this names another; a test must
    // never reach the real one.
    qputenv("VELM_DUCKDUCKGO_URL", m_instant.url(u"/"_s).toString().toUtf8());
    m_settings->setHasCompletedOnboarding(true);
    m_settings->setLmStudioServerAddress(m_model.address());
    m_settings->setWebSearchMode(u"never"_s);
    m_settings->setSearxngHost(u"127.0.0.1"_s);
    m_settings->setSearxngPort(QString::number(m_searxng.port()));
}

ControllerFixture::~ControllerFixture()
{
    m_controller.reset();
    m_chatList.reset();
}

bool ControllerFixture::isValid() const
{
    return m_dir.isValid() && m_listening;
}

ChatList &ControllerFixture::chatList()
{
    if (!m_chatList)
        m_chatList = std::make_unique<ChatList>(*m_store, m_events);
    return *m_chatList;
}

ConversationController &ControllerFixture::controller()
{
    if (!m_controller)
        m_controller = std::make_unique<ConversationController>(*m_settings, chatList(), m_events,
                                                                m_network, [this] { return now; });
    return *m_controller;
}

QList<ChatSession> ControllerFixture::stored()
{
    return StoredChats::read(*m_settings);
}

QList<ChatSession> ControllerFixture::shown()
{
    QList<ChatSession> sessions;
    for (const ChatSession &session : chatList().sessions())
        sessions.append(chatList().session(session.id).value_or(session));
    return sessions;
}

std::optional<ChatSession> ControllerFixture::storedSession(const QUuid &id)
{
    for (const ChatSession &session : stored()) {
        if (session.id == id)
            return session;
    }
    return std::nullopt;
}

void ControllerFixture::store(const QList<ChatSession> &sessions)
{
    QVERIFY(StoredChats::write(*m_settings, sessions));
}

QList<FakeRequest> ControllerFixture::completionRequests(bool streamed)
{
    QList<FakeRequest> posts;
    for (const FakeRequest &request : m_model.http().requests()) {
        if (request.path() == u"/v1/chat/completions"_s
            && QJsonDocument::fromJson(request.body).object().value(u"stream").toBool() == streamed)
            posts.append(request);
    }
    return posts;
}

namespace {

QList<QJsonObject> bodies(const QList<FakeRequest> &requests)
{
    QList<QJsonObject> list;
    for (const FakeRequest &request : requests)
        list.append(QJsonDocument::fromJson(request.body).object());
    return list;
}

} // namespace

QList<QJsonObject> ControllerFixture::answerRequests()
{
    return bodies(completionRequests(true));
}

QList<QJsonObject> ControllerFixture::titleRequests()
{
    return bodies(completionRequests(false));
}

int ControllerFixture::answerConnection(int n)
{
    const QList<FakeRequest> answers = completionRequests(true);
    return n < answers.size() ? answers.at(n).connection : 0;
}

bool ControllerFixture::waitUntilIdle()
{
    return QTest::qWaitFor([this] { return !controller().isLoading(); }, 15000);
}

ChatSession conversation(const QStringList &texts, bool archived)
{
    ChatSession session = ChatSession::create(QDateTime(QDate(2025, 1, 2), QTime(3, 4), Qt::UTC));
    for (qsizetype i = 0; i < texts.size(); ++i)
        session.messages.append(ChatMessage(
            i % 2 == 0 ? ChatMessage::Role::User : ChatMessage::Role::Assistant, texts.at(i)));
    session.isArchived = archived;
    return session;
}
