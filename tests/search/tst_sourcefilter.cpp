#include "search/searchcontext.h"
#include "search/sourcefilter.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

SearchResult hit(const QString &title, const QString &url, const QString &snippet = QString())
{
    return SearchResult::create(title, url, snippet);
}

} // namespace

class TestSourceFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void significantWords_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("empty") << QString() << QStringList();
        QTest::newRow("short words dropped")
            << u"the quick brown fox"_s << QStringList{u"quick"_s, u"brown"_s};
        QTest::newRow("punctuation separates")
            << u"hello, world! 2024-11-05"_s << QStringList{u"hello"_s, u"world"_s, u"2024"_s};
        QTest::newRow("stop words dropped") << u"however between because there"_s << QStringList();
        QTest::newRow("apostrophe and underscore separate")
            << u"it's o'clock snake_case"_s << QStringList{u"clock"_s, u"snake"_s, u"case"_s};
        QTest::newRow("duplicates and order kept")
            << u"rust, rust and kotlin"_s << QStringList{u"rust"_s, u"rust"_s, u"kotlin"_s};
        QTest::newRow("three letters with an accent are still three")
            << u"cafe\u0301 ba\u0301r"_s << QStringList{u"cafe\u0301"_s};
        QTest::newRow("letters outside the basic plane")
            << u"\U0001D41A\U0001D41B\U0001D41C\U0001D41D x"_s
            << QStringList{u"\U0001D41A\U0001D41B\U0001D41C\U0001D41D"_s};
        QTest::newRow("cjk") << u"東京都庁舎 と 大阪"_s << QStringList{u"東京都庁舎"_s};
        QTest::newRow("emoji separates")
            << u"rust\U0001F980lang"_s << QStringList{u"rust"_s, u"lang"_s};
        QTest::newRow("other numerals") << u"½½½½"_s << QStringList{u"½½½½"_s};
    }

    void significantWords()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, expected);
        QCOMPARE(WebSearch::significantWords(text), expected);
    }

    void relevantSources_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QList<SearchResult>>("hits");
        QTest::addColumn<QList<int>>("kept");

        const SearchResult wiki = hit(u"Ada Lovelace"_s, u"https://www.wikipedia.org/wiki/Ada"_s);
        const QString answer40 = u"Wikipedia explains the origin of the Ada"_s;
        QCOMPARE(answer40.size(), 40);

        QTest::newRow("no hits") << answer40 + u"!!"_s << QList<SearchResult>() << QList<int>();
        QTest::newRow("40 characters") << answer40 << QList{wiki} << QList<int>();
        QTest::newRow("41 characters") << answer40 + u'.' << QList{wiki} << QList{0};
        // 40 user-perceived characters in 46 UTF-16 units: still short.
        const QString emojiAnswer
            = u"Wikipedia explains the origin of Ada! \U0001F44D\U0001F3FD\U0001F1E9\U0001F1EA"_s;
        QTest::newRow("40 clusters, more code units") << emojiAnswer << QList{wiki} << QList<int>();
        QTest::newRow("41 clusters") << emojiAnswer + u'!' << QList{wiki} << QList{0};

        QTest::newRow("refusal in any case")
            << u"I'M NOT SURE, but Wikipedia may have an article on Ada."_s << QList{wiki}
            << QList<int>();
        QTest::newRow("refusal with a typographic apostrophe")
            << u"I couldn\u2019t find anything on Wikipedia about this Ada thing."_s << QList{wiki}
            << QList<int>();

        QTest::newRow("site name after www")
            << u"According to Wikipedia, she wrote the first published program."_s << QList{wiki}
            << QList{0};
        QTest::newRow("every www removed")
            << u"The example site describes it at length in its own pages."_s
            << QList{hit(u"x"_s, u"https://www.www.example.com/a"_s)} << QList{0};
        // "bbc" is too short to count as a site name; the words must do it.
        QTest::newRow("short site name, no words")
            << u"The BBC reported on the launch of the mission yesterday evening."_s
            << QList{hit(u"Home"_s, u"https://bbc.co.uk/news"_s, u"Top stories"_s)} << QList<int>();
        QTest::newRow("short site name, two words")
            << u"The BBC reported on the launch of the Artemis mission yesterday."_s
            << QList{hit(u"Artemis launch"_s, u"https://bbc.co.uk/news"_s)} << QList{0};
        QTest::newRow("first label is a language code")
            << u"The English Wikipedia has a long article about Ada Lovelace."_s
            << QList{hit(u"Home"_s, u"https://en.wikipedia.org/wiki/Main"_s)} << QList<int>();

        const QString rustAnswer = u"Rust guarantees memory safety without a garbage collector, "
                                   u"using ownership and borrowing."_s;
        QTest::newRow("one shared word")
            << rustAnswer << QList{hit(u"Memory"_s, u"https://a.io/x"_s, u"a page"_s)}
            << QList<int>();
        QTest::newRow("two shared words")
            << rustAnswer
            << QList{hit(u"Ownership"_s, u"https://a.io/x"_s, u"and borrowing rules"_s)}
            << QList{0};
        QTest::newRow("shared words in capitals")
            << rustAnswer << QList{hit(u"GARBAGE COLLECTOR"_s, u"https://a.io/x"_s)} << QList{0};
        QTest::newRow("stop words and short words do not count")
            << u"Because of this, however, there was the one and only way."_s
            << QList{hit(u"because however there only"_s, u"https://a.io/x"_s)} << QList<int>();
        QTest::newRow("a word repeated counts once")
            << rustAnswer + u" Rust, rust, rust."_s
            << QList{hit(u"Rust rust"_s, u"https://a.io/x"_s, u"rust"_s)} << QList<int>();
        QTest::newRow("url that does not parse")
            << rustAnswer << QList{hit(u"ownership borrowing"_s, u"not a url at all"_s)}
            << QList{0};
        QTest::newRow("order kept, unrelated dropped")
            << rustAnswer
            << QList{hit(u"Memory safety"_s, u"https://a.io/1"_s),
                     hit(u"Cooking pasta"_s, u"https://b.io/2"_s, u"boil water"_s),
                     hit(u"Garbage"_s, u"https://c.io/3"_s, u"the collector"_s)}
            << QList{0, 2};
    }

    void relevantSources()
    {
        QFETCH(QString, answer);
        QFETCH(QList<SearchResult>, hits);
        QFETCH(QList<int>, kept);

        QList<SearchResult> expected;
        for (int index : kept)
            expected.append(hits.at(index));
        QCOMPARE(WebSearch::relevantSources(answer, hits), expected);
    }

    void contextBlock_data()
    {
        QTest::addColumn<QList<SearchResult>>("hits");
        QTest::addColumn<QString>("expected");

        QTest::newRow("none") << QList<SearchResult>() << QString();
        QTest::newRow("one") << QList{hit(u"Ada"_s, u"https://a.io/"_s, u"First programmer."_s)}
                             << u"[1] Ada\nSource: https://a.io/\nFirst programmer."_s;
        QTest::newRow("second without snippet")
            << QList{hit(u"Ada"_s, u"https://a.io/"_s, u"First programmer."_s),
                     hit(u"Babbage"_s, u"https://b.io/"_s)}
            << u"[1] Ada\nSource: https://a.io/\nFirst programmer.\n\n---\n\n"
               u"[2] Babbage\nSource: https://b.io/\n(no excerpt)"_s;
        QTest::newRow("fields as received")
            << QList{hit(u" T "_s, u"not a url"_s, u"line\nbreak"_s)}
            << u"[1]  T \nSource: not a url\nline\nbreak"_s;
    }

    void contextBlock()
    {
        QFETCH(QList<SearchResult>, hits);
        QFETCH(QString, expected);
        const QString block = WebSearch::formatSearchContext(hits);
        QCOMPARE(block, expected);
        QCOMPARE(block.count(u"---"_s), qMax(qsizetype(0), hits.size() - 1));
    }
};

VELM_TEST_MAIN(TestSourceFilter)
#include "tst_sourcefilter.moc"
