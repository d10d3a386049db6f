#include "chat/settings.h"
#include "e2e/e2efixture.h"
#include "support/storedchats.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

using Role = ChatMessage::Role;

ChatSession chat(const QString &title, const QStringList &texts, const QDateTime &updatedAt,
                 bool archived = false)
{
    ChatSession session = ChatSession::create(updatedAt);
    session.customTitle = title;
    session.isArchived = archived;
    for (qsizetype at = 0; at < texts.size(); ++at)
        session.messages.append(
            ChatMessage(at % 2 == 0 ? Role::User : Role::Assistant, texts.at(at)));
    return session;
}

// A few days of chats: one titled like markup, an archived one titled like a script link, a
// long one whose only zebra is near its start, and one that does not match.
QList<ChatSession> chats()
{
    const QDateTime now = QDateTime::currentDateTime();
    QStringList trip{u"We are planning a safari in Tanzania. What animals will we see?"_s,
                     u"On the Serengeti you will see lions, elephants, giraffes and huge herds "
                     u"of zebra and wildebeest on their yearly migration."_s};
    for (int day = 1; day <= 8; ++day) {
        trip.append(u"What should we do on day %1?"_s.arg(day));
        trip.append(u"Start early: the light is soft and the animals are active. "_s.repeated(6));
    }
    return {
        chat(u"<b>x</b>"_s,
             {u"Why do zebras have stripes?"_s,
              u"The leading idea is that the stripes keep biting flies away: flies fail to land "
              u"on striped surfaces."_s},
             now.addSecs(-1200)),
        chat(u"Savanna trip notes"_s, trip, now.addDays(-1)),
        chat(u"javascript:alert(1)"_s,
             {u"When was the first zebra crossing painted?"_s,
              u"In Slough, in 1951, after trials of other markings."_s},
             now.addDays(-4), true),
        chat(u"Sourdough starter"_s, {u"How often do I feed it?"_s, u"Once a day."_s},
             now.addDays(-2)),
    };
}

} // namespace

// Searching the chats in the real velm: Ctrl+K opens the sidebar at its search field, the
// results show the matched words marked and every title as typed, a result opens its chat at
// the match, and a search that finds nothing says so. Screenshots of each are saved under the
// build tree.
class TestE2ESearch : public QObject
{
    Q_OBJECT

private:
    QString log() const { return m_e2e.log(); }

    E2EFixture m_e2e;

private Q_SLOTS:
    void initTestCase()
    {
        if (!m_e2e.setUp())
            return;
        m_e2e.model().setModels({u"e2e-model"_s});
        m_e2e.finishOnboarding(u"never"_s);
        Settings settings(m_e2e.velm().settingsFile(), m_e2e.velm().dataDirectory());
        QVERIFY(StoredChats::write(settings, chats()));
        m_e2e.startVelm();
    }

    void searchAndOpenAtTheMatch()
    {
        // The new-chat screen after its entrance.
        QTest::qWait(1200);
        E2E_STEP(m_e2e.focusMainWindow());
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+k"_s}), 0);
        QTest::qWait(400);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"30"_s, u"zebra"_s}), 0);
        QTest::qWait(400);
        m_e2e.screenshot(u"search-1-results.png"_s);

        // The third result, the long trip (its one zebra weighs least), opens where the zebras
        // are.
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Down"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Down"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"Return"_s}), 0);
        QTest::qWait(200);
        m_e2e.screenshot(u"search-2-opened-at-match.png"_s);

        // Ctrl+K again, from the composer: the query is selected, and typing replaces it.
        QCOMPARE(m_e2e.x().xdotool({u"key"_s, u"ctrl+k"_s}), 0);
        QCOMPARE(m_e2e.x().xdotool({u"type"_s, u"--delay"_s, u"30"_s, u"platypus"_s}), 0);
        QTest::qWait(300);
        m_e2e.screenshot(u"search-3-no-match.png"_s);
        QVERIFY2(m_e2e.velm().isRunning(), qPrintable(log()));
    }
};

VELM_TEST_MAIN(TestE2ESearch)
#include "tst_e2e_search.moc"
