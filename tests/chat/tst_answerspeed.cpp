#include "chat/answerspeed.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<AnswerStats>)

// The line under an answer, and what it is measured from.
class TestAnswerSpeed : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void caption_data()
    {
        QTest::addColumn<QString>("model");
        QTest::addColumn<std::optional<AnswerStats>>("stats");
        QTest::addColumn<QString>("caption");

        const AnswerStats full{412, false, 38.46, 0.64};
        QTest::newRow("everything") << u"lmstudio-community/qwen3-8b"_s << std::optional(full)
                                    << u"qwen3-8b \u00b7 412 tokens \u00b7 38.5 tok/s \u00b7 0.6 s "
                                       "to first token"_s;
        QTest::newRow("counted from the pieces")
            << u"qwen3-8b"_s << std::optional(AnswerStats{412, true, 38.46, 0.64})
            << u"qwen3-8b \u00b7 \u2248 412 tokens \u00b7 38.5 tok/s \u00b7 0.6 s to first "
               "token"_s;
        QTest::newRow("one token, no speed")
            << QString() << std::optional(AnswerStats{1, false, {}, 0.26})
            << u"1 token \u00b7 0.3 s to first token"_s;
        QTest::newRow("model alone (older answers)")
            << u"gemma-3-4b"_s << std::optional<AnswerStats>() << u"gemma-3-4b"_s;
        QTest::newRow("nothing known") << QString() << std::optional<AnswerStats>() << QString();
        QTest::newRow("id ending in a slash kept whole")
            << u"org/"_s << std::optional<AnswerStats>() << u"org/"_s;
    }

    void caption()
    {
        QFETCH(QString, model);
        QFETCH(std::optional<AnswerStats>, stats);
        QTEST(AnswerSpeed::caption(model, stats), "caption");
    }

    void measure_data()
    {
        QTest::addColumn<int>("serverTokens"); // usage.completion_tokens; -1: not sent
        QTest::addColumn<double>("serverSpeed"); // timings; 0: not sent
        QTest::addColumn<int>("tokens");
        QTest::addColumn<bool>("approximate");
        QTest::addColumn<double>("tokensPerSecond");

        // 40 pieces from 0.5 s to 2.5 s.
        QTest::newRow("server's count, clock's speed") << 100 << 0.0 << 100 << false << 50.0;
        QTest::newRow("server's count and speed") << 100 << 61.0 << 100 << false << 61.0;
        QTest::newRow("neither: the pieces") << -1 << 0.0 << 40 << true << 20.0;
    }

    void measure()
    {
        QFETCH(int, serverTokens);
        QFETCH(double, serverSpeed);
        StreamUsage usage;
        usage.completionTokens = serverTokens;
        usage.tokensPerSecond = serverSpeed;
        const AnswerStats stats = AnswerSpeed::measure(usage, 40, 0.5, 2.5);
        QTEST(stats.tokens, "tokens");
        QTEST(stats.approximate, "approximate");
        QTEST(*stats.tokensPerSecond, "tokensPerSecond");
        QCOMPARE(stats.firstTokenSeconds, std::optional(0.5));
    }
};

VELM_TEST_MAIN(TestAnswerSpeed)
#include "tst_answerspeed.moc"
