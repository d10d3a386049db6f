#include "search/searchheuristic.h"
#include "search/searchmode.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestSearchHeuristic : public QObject
{
    Q_OBJECT

private Q_SLOTS:
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

        QTest::newRow("always, empty text") << u"always"_s << QString() << true;
        QTest::newRow("never, fresh question") << u"never"_s << u"who is the president"_s << false;
        QTest::newRow("unknown mode") << u"sometimes"_s << u"who is the president"_s << false;
        QTest::newRow("mode is case-sensitive") << u"Auto"_s << u"who is ada"_s << false;

        QTest::newRow("know holds now") << u"auto"_s << u"do you know recursion"_s << true;
        QTest::newRow("nothing to look up") << u"auto"_s << u"explain recursion"_s << false;
        QTest::newRow("leading blank, no term") << u"auto"_s << u" who is ada"_s << false;
        QTest::newRow("leading blank, with term") << u"auto"_s << u" what is the weather"_s << true;
        QTest::newRow("opening without blank") << u"auto"_s << u"whois lookup"_s << false;
        QTest::newRow("empty query") << u"auto"_s << QString() << false;
        // The last letter of the opening carries an accent: a different character.
        QTest::newRow("opening cut inside a cluster")
            << u"auto"_s << u"who is\u0301 ada"_s << false;
    }

    void shouldSearch()
    {
        QFETCH(QString, mode);
        QFETCH(QString, query);
        QFETCH(bool, expected);
        QCOMPARE(WebSearch::shouldSearch(mode, query), expected);
        QCOMPARE(WebSearch::shouldSearch(WebSearch::modeFrom(mode), query), expected);
    }
};

VELM_TEST_MAIN(TestSearchHeuristic)
#include "tst_searchheuristic.moc"
