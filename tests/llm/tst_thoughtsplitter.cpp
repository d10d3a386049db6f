#include "llm/streamlinereader.h"
#include "llm/thoughtsplitter.h"
#include "llm/wireformat.h"
#include "support/fakemodelserver.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(FakeModelServer::Thinking)

namespace {

// What a reader of the splitter ends up with, applying each output as documented.
struct Sorted
{
    QString thought;
    QString answer;
    // The answer as it stood each time something was added to it, to see what was shown.
    QStringList shown;

    void apply(const ThoughtSplitter::Output &out)
    {
        if (out.answerWasThought)
            thought += std::exchange(answer, {});
        thought += out.thought;
        answer += out.answer;
        if (!out.answer.isEmpty())
            shown.append(answer);
    }
};

// `text` handed over in pieces cut at `cuts` (character offsets).
Sorted splitAt(const QString &text, const QList<qsizetype> &cuts)
{
    ThoughtSplitter splitter;
    Sorted sorted;
    qsizetype start = 0;
    QList<qsizetype> ends = cuts;
    ends.append(text.size());
    for (const qsizetype end : ends) {
        sorted.apply(splitter.take(text.sliced(start, end - start)));
        start = end;
    }
    sorted.apply(splitter.finish());
    return sorted;
}

// A whole event stream read as the app reads it, cut into reads at `cut` bytes: the thought
// from the reasoning fields and the tags, the answer from the rest.
Sorted readStream(const QByteArray &body, qsizetype cut)
{
    StreamLineReader lines;
    ThoughtSplitter splitter;
    Sorted sorted;
    const auto take = [&](QByteArrayView line) {
        const StreamEvent event = WireFormat::decodeStreamLine(line);
        sorted.thought += event.reasoning;
        sorted.apply(splitter.take(event.text));
    };
    for (const QByteArrayView part :
         {QByteArrayView(body).first(cut), QByteArrayView(body).sliced(cut)}) {
        lines.append(part);
        while (const auto line = lines.nextLine())
            take(*line);
    }
    if (const auto last = lines.finish())
        take(*last);
    sorted.apply(splitter.finish());
    return sorted;
}

} // namespace

class TestThoughtSplitter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void split_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("thought");
        QTest::addColumn<QString>("answer");

        QTest::newRow("no thought") << u"  Plain answer."_s << QString() << u"  Plain answer."_s;
        QTest::newRow("thought, then answer")
            << u"<think>Six sevens.</think>\n\n42"_s << u"Six sevens."_s << u"42"_s;
        QTest::newRow("blanks before the tag")
            << u"\n <think>Hm</think>Yes"_s << u"Hm"_s << u"Yes"_s;
        QTest::newRow("only the closing tag")
            << u"Let me see.\n</think>\n\nYes"_s << u"Let me see.\n"_s << u"Yes"_s;
        QTest::newRow("a later tag is answer text")
            << u"Use <think> for it; </think> too."_s << QString()
            << u"Use <think> for it; </think> too."_s;
        QTest::newRow("a closing tag ends the answer so far")
            << u"It is </think> 42"_s << u"It is "_s << u"42"_s;
        QTest::newRow("a tag after a thought stays answer text")
            << u"<think>a</think>Write <think>x</think>"_s << u"a"_s << u"Write <think>x</think>"_s;
        QTest::newRow("a thought that never closes")
            << u"<think>Still thinking"_s << u"Still thinking"_s << QString();
        QTest::newRow("empty thought") << u"<think></think>Hi"_s << QString() << u"Hi"_s;
        QTest::newRow("only blanks after the thought")
            << u"<think>x</think> \n "_s << u"x"_s << QString();
        QTest::newRow("a tag's beginning at the end")
            << u"<think>a</think>b </thi"_s << u"a"_s << u"b </thi"_s;
        QTest::newRow("another tag") << u"<thinking>x"_s << QString() << u"<thinking>x"_s;
        QTest::newRow("opening tag unfinished") << u" <thi"_s << QString() << u" <thi"_s;
    }

    void split()
    {
        QFETCH(QString, text);
        QFETCH(QString, thought);
        QFETCH(QString, answer);
        const ThoughtSplitter::Parts whole = ThoughtSplitter::split(text);
        QCOMPARE(whole.thought, thought);
        QCOMPARE(whole.answer, answer);
        // However the pieces are cut, the result is the same.
        for (qsizetype cut = 1; cut < text.size(); ++cut) {
            const Sorted two = splitAt(text, {cut});
            QCOMPARE(two.thought, thought);
            QCOMPARE(two.answer, answer);
        }
        QList<qsizetype> everyCharacter;
        for (qsizetype cut = 1; cut < text.size(); ++cut)
            everyCharacter.append(cut);
        const Sorted single = splitAt(text, everyCharacter);
        QCOMPARE(single.thought, thought);
        QCOMPARE(single.answer, answer);
    }

    // Until the closing tag arrives, a thought the server's template opened reads as the
    // answer; what is shown is never more than what arrived.
    void loneClosingTagShowsTheTextUntilItComes()
    {
        const Sorted sorted = splitAt(u"Hmm, six sevens.</think>42"_s, {4, 18});
        QCOMPARE(sorted.shown, (QStringList{u"Hmm,"_s, u"Hmm, six sevens."_s, u"42"_s}));
        QCOMPARE(sorted.thought, u"Hmm, six sevens."_s);
    }

    // Each way a server sends the thought, with the JSON and the tags cut at every byte.
    void streams_data()
    {
        QTest::addColumn<QByteArray>("body");

        const QStringList thought{u"Six "_s, u"sevens."_s};
        const QStringList answer{u"4"_s, u"2"_s};
        using T = FakeModelServer::Thinking;
        for (const auto &[name, shape] :
             {std::pair{"reasoning_content", T::reasoningContent},
              std::pair{"reasoning", T::reasoning}, std::pair{"think tags", T::thinkTags}})
            QTest::newRow(name) << FakeModelServer::thinkingStream(shape, thought, answer).body;
        QTest::newRow("both fields with the same text")
            << "data: {\"choices\":[{\"delta\":{\"reasoning_content\":\"Six sevens.\","
               "\"reasoning\":\"Six sevens.\"}}]}\n\n"_ba
                + FakeModelServer::chunkLine(u"42"_s) + "\n\ndata: [DONE]\n\n";
        QTest::newRow("only the closing tag")
            << FakeModelServer::streamBody({u"Six sev"_s, u"ens.</th"_s, u"ink>\n4"_s, u"2"_s});
    }

    void streams()
    {
        QFETCH(QByteArray, body);
        for (qsizetype cut = 0; cut <= body.size(); ++cut) {
            const Sorted sorted = readStream(body, cut);
            QCOMPARE(sorted.thought, u"Six sevens."_s);
            QCOMPARE(sorted.answer, u"42"_s);
        }
    }
};

VELM_TEST_MAIN(TestThoughtSplitter)
#include "tst_thoughtsplitter.moc"
