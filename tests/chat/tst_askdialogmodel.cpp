#include "askfixture.h"
#include "support/testattachments.h"
#include "support/testregistry.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeResponse)

namespace {

constexpr int timeoutMs = 10000;

// (role, content) pairs of a request body's messages.
QList<QPair<QString, QString>> messagesOf(const QJsonObject &request)
{
    QList<QPair<QString, QString>> messages;
    for (const QJsonValue &value : request.value(u"messages").toArray())
        messages.append({value[u"role"].toString(), value[u"content"].toString()});
    return messages;
}

} // namespace

class TestAskDialogModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void answerShownWholeAfterTheFloor_data();
    void answerShownWholeAfterTheFloor();
    void blankQuestionSendsNothing();
    void followUpsTravelInOrder();
    void saveHandsOverTheExchangeAsItStands();
    void thinkingIsShownAndSaved();
    void filesGoWithTheQuestion();
    void stopReturnsToInput_data();
    void stopReturnsToInput();
    void reopeningResets();
    void abandonedQuestionDoesNotEndTheNextOne();
    void failureIsAnAnswer_data();
    void failureIsAnAnswer();
};

void TestAskDialogModel::answerShownWholeAfterTheFloor_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("fast server") << 0;
}

void TestAskDialogModel::answerShownWholeAfterTheFloor()
{
    QFETCH(int, delayMs);
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStreamResponse(
        FakeModelServer::slowStream({u"Paris "_s, u"is the "_s, u"capital."_s}, delayMs));
    QSignalSpy answers(f.bar.get(), &AskDialogModel::answerChanged);

    f.bar->setQuery(u"  Capital of France?\n"_s);
    QElapsedTimer sent;
    sent.start();
    f.bar->sendQuery();
    QVERIFY(f.bar->isLoading());
    QVERIFY(f.bar->hasActivity());
    QVERIFY(!f.bar->canContinue());
    QVERIFY(f.waitUntilIdle());

    QVERIFY2(sent.elapsed() >= AskDialogModel::minimumAnswerDelayMs,
             qPrintable(QString::number(sent.elapsed())));
    // Set once, whole: never a part of the stream.
    QCOMPARE(answers.size(), 1);
    QCOMPARE(f.bar->answer(), u"Paris is the capital."_s);
    QCOMPARE(f.bar->query(), u"  Capital of France?\n"_s);
    QVERIFY(f.bar->canContinue());
    const auto messages = messagesOf(f.model().lastChatRequest());
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages.last(), qMakePair(u"user"_s, u"Capital of France?"_s));
}

void TestAskDialogModel::blankQuestionSendsNothing()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.bar->setQuery(u" \n\t "_s);
    QVERIFY(!f.bar->hasQueryText());
    f.bar->sendQuery();
    QVERIFY(!f.bar->isLoading());
    QVERIFY(!f.bar->hasActivity());
    QTest::qWait(50);
    QCOMPARE(f.completionRequests(), 0);
}

void TestAskDialogModel::followUpsTravelInOrder()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStream({u"  One answer.\n"_s});
    QVERIFY(f.ask(u" First? "_s));
    f.bar->askFollowUp();
    QVERIFY(f.bar->query().isEmpty());
    QVERIFY(f.bar->answer().isEmpty());
    QVERIFY(!f.bar->hasActivity());

    f.model().setStream({u"Two answer."_s});
    QVERIFY(f.ask(u"Second?"_s));
    f.bar->askFollowUp();
    QCOMPARE(f.bar->conversationContext().size(), 4);

    f.model().setStream({u"Three."_s});
    QVERIFY(f.ask(u"Third?"_s));
    const auto messages = messagesOf(f.model().lastChatRequest());
    const QList<QPair<QString, QString>> expected{
        {u"user"_s, u"First?"_s},  {u"assistant"_s, u"One answer."_s},
        {u"user"_s, u"Second?"_s}, {u"assistant"_s, u"Two answer."_s},
        {u"user"_s, u"Third?"_s},
    };
    QCOMPARE(messages.size(), 6);
    QCOMPARE(messages.first().first, u"system"_s);
    QCOMPARE(messages.mid(1), expected);

    // A new question forgets the kept pairs.
    f.bar->startNewQuestion();
    QVERIFY(f.bar->conversationContext().isEmpty());
    QVERIFY(f.bar->query().isEmpty());
    QVERIFY(!f.bar->hasActivity());
}

void TestAskDialogModel::saveHandsOverTheExchangeAsItStands()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStream({u"Earlier answer"_s});
    QVERIFY(f.ask(u"Earlier question"_s));
    f.bar->askFollowUp();
    f.model().setStream({u"\n  Kept answer \n"_s});
    QVERIFY(f.ask(u"  Kept question\n"_s));

    QStringList order;
    QList<QStringList> imports;
    connect(&f.events(), &AppEvents::importDialogChat, this,
            [&](const ChatMessage &question, const ChatMessage &answer) {
                order.append(u"import"_s);
                imports.append({question.text, answer.text});
            });
    connect(&f.events(), &AppEvents::showMainWindow, this, [&] { order.append(u"show"_s); });
    f.bar->saveAndContinueInChat();

    QCOMPARE(order, (QStringList{u"import"_s, u"show"_s}));
    QCOMPARE(imports.first(), (QStringList{u"  Kept question\n"_s, u"\n  Kept answer \n"_s}));
}

// The bar says that the model thinks while it does, shows only the answer, follows up with the
// answer alone, and saves the thought with it.
void TestAskDialogModel::thinkingIsShownAndSaved()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStreamResponse(FakeModelServer::thinkingStream(
        FakeModelServer::Thinking::reasoning, QStringList(10, u"hm "_s), {u"42"_s}, 30));
    QSignalSpy thinking(f.bar.get(), &AskDialogModel::isThinkingChanged);
    QVERIFY(f.ask(u"6x7?"_s));
    QCOMPARE(thinking.size(), 2);
    QCOMPARE(thinking.at(0).at(0).toBool(), true);
    QCOMPARE(thinking.at(1).at(0).toBool(), false);
    QVERIFY(!f.bar->isThinking());
    QCOMPARE(f.bar->answer(), u"42"_s);
    QCOMPARE(f.bar->reasoning(), u"hm hm hm hm hm hm hm hm hm hm"_s);

    QList<QVariantList> imports;
    connect(&f.events(), &AppEvents::importDialogChat, this,
            [&](const ChatMessage &question, const ChatMessage &answer) {
                imports.append({question.text, answer.text, answer.reasoning,
                                answer.thinkingSeconds.has_value(), answer.model,
                                answer.stats ? answer.stats->tokens : -1});
            });
    f.bar->saveAndContinueInChat();
    QCOMPARE(imports.size(), 1);
    // The thought's ten pieces and the answer's one, counted.
    QCOMPARE(imports.first(),
             (QVariantList{u"6x7?"_s, u"42"_s, u"hm hm hm hm hm hm hm hm hm hm"_s, true,
                           u"fake-model"_s, 11}));

    // A follow-up carries the answer alone.
    f.model().setStreamResponse(FakeModelServer::thinkingStream(
        FakeModelServer::Thinking::reasoning, {u"hm"_s}, {u"42"_s}));
    QVERIFY(f.ask(u"6x7?"_s));
    f.bar->askFollowUp();
    QCOMPARE(f.bar->conversationContext().constLast().content, u"42"_s);
    QVERIFY(f.bar->reasoning().isEmpty());
}

// A question's files go with it, stay with it until a new question, travel with a follow-up
// and are handed over with a save; a file alone is a question.
void TestAskDialogModel::filesGoWithTheQuestion()
{
    AskFixture f;
    QVERIFY(f.isValid());
    const Attachment photo = TestAttachments::image(u"cat.jpg"_s, "JPEG", u"image/jpeg"_s);
    QVERIFY(!f.bar->hasQueryText());
    QVERIFY(f.bar->addAttachment(photo));
    QVERIFY(f.bar->hasQueryText());

    f.model().setStream({u"A cat."_s});
    QVERIFY(f.ask(QString()));
    QCOMPARE(f.bar->answer(), u"A cat."_s);
    const QJsonArray parts
        = f.model().lastChatRequest()[u"messages"].toArray().last()[u"content"].toArray();
    QCOMPARE(parts.last()[u"image_url"][u"url"].toString(), u"data:image/jpeg;base64,SlBFRw=="_s);
    QCOMPARE(f.bar->attachments().size(), 1);

    QList<ChatMessage> saved;
    connect(&f.events(), &AppEvents::importDialogChat, this,
            [&](const ChatMessage &question, const ChatMessage &) { saved.append(question); });
    f.bar->saveAndContinueInChat();
    QCOMPARE(saved.size(), 1);
    QCOMPARE(saved.first().attachments, QList<Attachment>{photo});

    f.bar->askFollowUp();
    QVERIFY(f.bar->attachments().isEmpty());
    f.model().setStream({u"Grey."_s});
    QVERIFY(f.ask(u"Which colour?"_s));
    const QJsonArray messages = f.model().lastChatRequest()[u"messages"].toArray();
    // The kept question carries its photo into the follow-up.
    QCOMPARE(messages.at(messages.size() - 3)[u"content"].toArray().last()[u"image_url"][u"url"],
             u"data:image/jpeg;base64,SlBFRw=="_s);
    QCOMPARE(messages.last()[u"content"].toString(), u"Which colour?"_s);

    QVERIFY(f.bar->addAttachment(photo));
    f.bar->startNewQuestion();
    QVERIFY(f.bar->attachments().isEmpty());
}

void TestAskDialogModel::stopReturnsToInput_data()
{
    QTest::addColumn<bool>("whileSearching");
    QTest::newRow("while searching") << true;
    QTest::newRow("while streaming") << false;
}

void TestAskDialogModel::stopReturnsToInput()
{
    QFETCH(bool, whileSearching);
    AskFixture f;
    QVERIFY(f.isValid());
    f.searxng().serveResultsAfter(5000, FakeSearxngServer::numberedResults(1));
    f.settings().setWebSearchMode(whileSearching ? u"always"_s : u"never"_s);
    f.model().setStreamResponse(FakeModelServer::slowStream({u"Never "_s, u"shown"_s}, 5000));

    f.bar->setQuery(u"What now?"_s);
    f.bar->sendQuery();
    if (whileSearching) {
        QVERIFY(f.bar->isSearching());
        QTRY_COMPARE_WITH_TIMEOUT(f.searxng().requests().size(), 1, timeoutMs);
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(f.completionRequests(), 1, timeoutMs);
    }
    f.bar->stopAnswer();
    QVERIFY(!f.bar->isSearching());
    QVERIFY(!f.bar->hasStreamTask());
    QVERIFY(f.waitUntilIdle());

    QVERIFY(!f.bar->hasActivity());
    QVERIFY(f.bar->answer().isEmpty());
    QCOMPARE(f.bar->query(), u"What now?"_s);
    // Nothing reaches the model once stopped during the search.
    QCOMPARE(f.completionRequests(), whileSearching ? 0 : 1);
}

void TestAskDialogModel::reopeningResets()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStream({u"Kept"_s});
    QVERIFY(f.ask(u"Kept question"_s));
    f.bar->askFollowUp();
    f.model().setStreamResponse(FakeModelServer::slowStream({u"Too "_s, u"late"_s}, 300));
    f.bar->setQuery(u"Running question"_s);
    f.bar->sendQuery();
    QTRY_COMPARE_WITH_TIMEOUT(f.completionRequests(), 2, timeoutMs);

    QSignalSpy focus(f.bar.get(), &AskDialogModel::focusRequested);
    f.events().postAskDialogDidOpen();
    QVERIFY(f.bar->query().isEmpty());
    QVERIFY(!f.bar->isLoading());
    QVERIFY(!f.bar->hasActivity());
    QVERIFY(f.bar->conversationContext().isEmpty());
    // Focused at once, so the first letters typed after the chord reach the field, and
    // again a moment later.
    QCOMPARE(focus.count(), 1);
    QVERIFY(focus.wait(timeoutMs));
    // The abandoned answer never shows up later.
    QTest::qWait(1000);
    QVERIFY(f.bar->answer().isEmpty());
    QVERIFY(!f.bar->isLoading());
}

void TestAskDialogModel::abandonedQuestionDoesNotEndTheNextOne()
{
    AskFixture f;
    QVERIFY(f.isValid());
    f.model().setStreamResponse(FakeModelServer::slowStream({u"Second "_s, u"answer"_s}, 300));
    f.bar->setQuery(u"First"_s);
    f.bar->sendQuery();
    QTRY_COMPARE_WITH_TIMEOUT(f.completionRequests(), 1, timeoutMs);
    f.bar->startNewQuestion();

    QSignalSpy loading(f.bar.get(), &AskDialogModel::isLoadingChanged);
    f.bar->setQuery(u"Second"_s);
    f.bar->sendQuery();
    QVERIFY(f.waitUntilIdle());
    // Loading went on and off once: the first question's end did not cut the second short.
    QCOMPARE(loading.size(), 2);
    QCOMPARE(f.bar->answer(), u"Second answer"_s);
}

void TestAskDialogModel::failureIsAnAnswer_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("models");
    QTest::addColumn<FakeResponse>("stream");
    QTest::addColumn<QString>("answer"); // %1: the fake server's address

    const QStringList loaded{u"fake-model"_s};
    const FakeResponse partial
        = FakeResponse::eventStream(FakeModelServer::streamBody({u"Partial"_s}));
    QTest::newRow("no model loaded")
        << QString() << QStringList() << partial << u"Load a model in LM Studio"_s;
    // A broken connection has no text of its own.
    FakeResponse dropped = partial;
    dropped.framing = FakeResponse::Framing::ContentLength;
    dropped.dropAfterBytes = 10;
    QTest::newRow("connection dropped") << QString() << loaded << dropped << u"Start LM Studio"_s;
    QTest::newRow("a web page instead of an answer")
        << QString() << loaded
        << FakeResponse::text("<!DOCTYPE html><html><body>Sign in</body></html>", 200, "text/html")
        << u"The server at %1 did not answer like a model server"_s;
}

void TestAskDialogModel::failureIsAnAnswer()
{
    QFETCH(QString, address);
    QFETCH(QStringList, models);
    QFETCH(FakeResponse, stream);
    QFETCH(QString, answer);
    AskFixture f;
    QVERIFY(f.isValid());
    if (!address.isEmpty())
        f.settings().setLmStudioServerAddress(address);
    f.model().setModels(models);
    f.model().setStreamResponse(stream);
    answer.replace(u"%1"_s, f.model().address());

    QVERIFY(f.ask(u"Question"_s));
    QCOMPARE(f.bar->answer(), answer);
    QVERIFY(f.bar->canContinue());
    f.bar->askFollowUp();
    const QList<LocalLLMMessage> expected{{u"user"_s, u"Question"_s}, {u"assistant"_s, answer}};
    QCOMPARE(f.bar->conversationContext(), expected);
}

VELM_TEST_MAIN(TestAskDialogModel)
#include "tst_askdialogmodel.moc"
