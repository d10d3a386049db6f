#include "search/searchheuristic.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSearchHeuristic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tables()
    {
        const QStringList openings = {
            u"who is"_s,     u"who are"_s,       u"who was"_s,       u"who were"_s,
            u"what is"_s,    u"what are"_s,      u"what was"_s,      u"what were"_s,
            u"where is"_s,   u"where are"_s,     u"where was"_s,     u"when is"_s,
            u"when was"_s,   u"when did"_s,      u"when does"_s,     u"how many"_s,
            u"how much"_s,   u"how old"_s,       u"which country"_s, u"which city"_s,
            u"which team"_s, u"tell me about"_s, u"what happened"_s,
        };
        const QStringList terms = {
            u"current"_s,    u"latest"_s,         u"recent"_s,    u"today"_s,    u"now"_s,
            u"right now"_s,  u"this year"_s,      u"2024"_s,      u"2025"_s,     u"2026"_s,
            u"news"_s,       u"update"_s,         u"score"_s,     u"result"_s,   u"price"_s,
            u"cost"_s,       u"weather"_s,        u"forecast"_s,  u"stock"_s,    u"rate"_s,
            u"population"_s, u"prime minister"_s, u"president"_s, u"ceo"_s,      u"chancellor"_s,
            u"government"_s, u"election"_s,       u"war"_s,       u"conflict"_s, u"released"_s,
            u"announced"_s,  u"launched"_s,
        };
        QCOMPARE(WebSearch::questionOpenings(), openings);
        QCOMPARE(WebSearch::freshnessTerms(), terms);
    }

    // Every table entry must work through the public decision, wherever it stands.
    void everyEntrySearches_data()
    {
        QTest::addColumn<QString>("query");
        for (const QString &opening : WebSearch::questionOpenings())
            QTest::addRow("opening %s", qPrintable(opening)) << opening + u" the moon"_s;
        for (const QString &term : WebSearch::freshnessTerms())
            QTest::addRow("term %s", qPrintable(term)) << u"please check "_s + term + u" for me"_s;
    }

    void everyEntrySearches()
    {
        QFETCH(QString, query);
        QVERIFY(!WebSearch::shouldSearch(u"auto", u"please check for me"));
        QVERIFY(WebSearch::shouldSearch(u"auto", query));
        QVERIFY(WebSearch::shouldSearch(u"auto", query.toUpper()));
    }

    void shouldSearch_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("expected");

        QTest::newRow("always, plain question") << u"always"_s << u"explain recursion"_s << true;
        QTest::newRow("always, empty text") << u"always"_s << QString() << true;
        QTest::newRow("never, fresh question") << u"never"_s << u"who is the president"_s << false;
        QTest::newRow("unknown mode") << u"sometimes"_s << u"who is the president"_s << false;
        QTest::newRow("mode is case-sensitive") << u"Auto"_s << u"who is ada"_s << false;
        QTest::newRow("empty mode") << QString() << u"latest news"_s << false;

        QTest::newRow("opening in capitals") << u"auto"_s << u"Who Is Ada Lovelace"_s << true;
        QTest::newRow("know holds now") << u"auto"_s << u"do you know recursion"_s << true;
        QTest::newRow("software holds war") << u"auto"_s << u"software design"_s << true;
        QTest::newRow("generate holds rate") << u"auto"_s << u"generate a poem"_s << true;
        QTest::newRow("costume holds cost") << u"auto"_s << u"costume ideas"_s << true;
        QTest::newRow("nothing to look up") << u"auto"_s << u"explain recursion"_s << false;
        QTest::newRow("leading blank, no term") << u"auto"_s << u" who is ada"_s << false;
        QTest::newRow("leading blank, with term") << u"auto"_s << u" what is the weather"_s << true;
        QTest::newRow("opening without blank") << u"auto"_s << u"whois lookup"_s << false;
        QTest::newRow("opening not at start") << u"auto"_s << u"so who is ada"_s << false;
        QTest::newRow("term in capitals") << u"auto"_s << u"WEATHER in Oslo"_s << true;
        QTest::newRow("empty query") << u"auto"_s << QString() << false;
        // The last letter of the opening carries an accent: a different character.
        QTest::newRow("opening cut inside a cluster")
            << u"auto"_s << u"who is\u0301 ada"_s << false;
        QTest::newRow("non-latin text") << u"auto"_s << u"Объясни рекурсию"_s << false;
    }

    void shouldSearch()
    {
        QFETCH(QString, mode);
        QFETCH(QString, query);
        QFETCH(bool, expected);
        QCOMPARE(WebSearch::shouldSearch(mode, query), expected);
        QCOMPARE(WebSearch::shouldSearch(SettingsKeys::webSearchModeFrom(mode), query), expected);
    }
};

QTEST_GUILESS_MAIN(TestSearchHeuristic)
#include "tst_searchheuristic.moc"
