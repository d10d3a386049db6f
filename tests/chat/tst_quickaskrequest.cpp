#include "chat/quickaskrequest.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

using Messages = QList<LocalLLMMessage>;
Q_DECLARE_METATYPE(LocalLLMMessage)

namespace {

const QString rule = u"\nAlways give the most concise answer possible \u2014 ideally one sentence "
                     u"or a very short paragraph."_s;
const QString barBase = u"You are a concise local assistant inside a small macOS quick-ask bar."_s;
const QString lead = u"The following are live web search results retrieved for the user's query. "
                     u"Base your answer primarily on these results. Be accurate and specific "
                     u"\u2014 do not guess or use knowledge that contradicts the results "
                     u"below.\n\nSEARCH RESULTS:\n"_s;

LocalLLMMessage system(const QString &content)
{
    return {u"system"_s, content};
}

LocalLLMMessage user(const QString &content)
{
    return {u"user"_s, content};
}

LocalLLMMessage assistant(const QString &content)
{
    return {u"assistant"_s, content};
}

} // namespace

namespace QTest {
template<>
char *toString(const LocalLLMMessage &message)
{
    return QTest::toString(message.role + u": "_s + message.content);
}
} // namespace QTest

class TestQuickAskRequest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void messages_data()
    {
        QTest::addColumn<QString>("systemPrompt");
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("suggestions");
        QTest::addColumn<QList<SearchResult>>("results");
        QTest::addColumn<Messages>("context");
        QTest::addColumn<QString>("question");
        QTest::addColumn<Messages>("expected");

        const QList<SearchResult> none;
        const QList<SearchResult> two{
            SearchResult::create(u"One"_s, u"https://one.example/"_s, u"first"_s),
            SearchResult::create(u"Two"_s, u"https://two.example/"_s, QString()),
        };

        QTest::newRow("question trimmed")
            << QString() << QString() << QString() << none << Messages() << u"\n  Hi there \t\n"_s
            << Messages{system(barBase + rule), user(u"Hi there"_s)};
        // Spaces are not empty: the main window's default sentence wins over the bar's.
        QTest::newRow("blank stored prompt")
            << u"   "_s << QString() << QString() << none << Messages() << u"Hi"_s
            << Messages{system(u"You are a concise, helpful local assistant."_s + rule),
                        user(u"Hi"_s)};
        QTest::newRow("search results")
            << QString() << QString() << QString() << two << Messages() << u"Hi"_s
            << Messages{system(barBase + rule),
                        system(lead
                               + u"[1] One\nSource: https://one.example/\nfirst\n\n---\n\n[2] "
                                 u"Two\nSource: https://two.example/\n(no excerpt)"_s),
                        user(u"Hi"_s)};
        const Messages pairs{user(u"First? "_s), assistant(u" One.\n"_s), user(u"Second?"_s),
                             assistant(u"Two."_s)};
        QTest::newRow("follow-up pairs, unchanged, after the search")
            << QString() << QString() << QString() << two.mid(0, 1) << pairs << u"Third?"_s
            << (Messages{system(barBase + rule),
                         system(lead + u"[1] One\nSource: https://one.example/\nfirst"_s)}
                + pairs + Messages{user(u"Third?"_s)});
    }

    void messages()
    {
        QFETCH(QString, systemPrompt);
        QFETCH(QString, userName);
        QFETCH(QString, suggestions);
        QFETCH(QList<SearchResult>, results);
        QFETCH(Messages, context);
        QFETCH(QString, question);
        QFETCH(Messages, expected);

        QuickAskRequest request;
        request.systemPrompt = systemPrompt;
        request.userName = userName;
        request.activePromptSuggestions = suggestions;
        request.searchResults = results;
        request.conversationContext = context;
        request.question = question;
        const Messages messages = request.messages();
        QCOMPARE(messages.size(), expected.size());
        for (qsizetype i = 0; i < messages.size(); ++i)
            QCOMPARE(messages.at(i), expected.at(i));
    }
};

VELM_TEST_MAIN(TestQuickAskRequest)
#include "tst_quickaskrequest.moc"
