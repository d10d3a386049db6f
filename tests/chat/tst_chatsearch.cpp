#include "chat/chatsearch.h"
#include "support/testregistry.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One stored text, tokenized as the chat store's index does.
constexpr QStringView document
    = u"hello world, my résumé is in col umn; a\"b and or not near crab wording 🦀";

// How many rows of the one-row table `expression` matches, from SQLite's own FTS5; -1 with
// the error in `error` when SQLite refuses the expression.
int matchCount(const QString &sqlite, const QString &expression, QString &error)
{
    QString literal = expression;
    literal.replace(u'\'', u"''"_s);
    QString documentLiteral = document.toString();
    documentLiteral.replace(u'\'', u"''"_s);
    const QString sql
        = u"create virtual table t using fts5(a, tokenize='unicode61 remove_diacritics 2');"
          "insert into t values('%1');"
          "select count(*) from t where t match '%2';"_s.arg(documentLiteral, literal);
    QProcess process;
    process.start(sqlite, {u":memory:"_s, sql});
    if (!process.waitForFinished(5000) || process.exitCode() != 0) {
        error = QString::fromUtf8(process.readAllStandardError());
        return -1;
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().toInt();
}

} // namespace

// Search across the chats: what the user types, turned into a full-text query.
class TestChatSearch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ftsQuery_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("expression");
        // Whether the expression finds `document`; checked against SQLite when it is there.
        QTest::addColumn<bool>("finds");

        QTest::newRow("accented word, typed in part") << u"résumé"_s << u"\"résumé\"*"_s << true;
        QTest::newRow("last word is a prefix") << u"hello wor"_s << u"\"hello\" \"wor\"*"_s << true;
        QTest::newRow("a space ends the word")
            << u"hello wor "_s << u"\"hello\" \"wor\""_s << false;
        QTest::newRow("words are all needed")
            << u"hello absent"_s << u"\"hello\" \"absent\"*"_s << false;
        QTest::newRow("phrase stays a phrase")
            << u"\"hello world\" crab"_s << u"\"hello world\" \"crab\"*"_s << true;
        QTest::newRow("phrase in another order")
            << u"\"world hello\""_s << u"\"world hello\""_s << false;
        QTest::newRow("closed phrase is complete")
            << u"\"hello wor\""_s << u"\"hello wor\""_s << false;
        QTest::newRow("unclosed phrase is typed on")
            << u"\"hello wor"_s << u"\"hello wor\"*"_s << true;
        QTest::newRow("operators are words")
            << u"AND OR NOT NEAR"_s << u"\"AND\" \"OR\" \"NOT\" \"NEAR\"*"_s << true;
        QTest::newRow("NEAR group is words")
            << u"NEAR(crab wording)"_s << u"\"NEAR(crab\" \"wording)\"*"_s << true;
        QTest::newRow("quote inside a word") << u"a\"b"_s << u"\"a\"\"b\"*"_s << true;
        QTest::newRow("star alone") << u"*"_s << QString() << false;
        QTest::newRow("punctuation left out") << u"hello - *"_s << u"\"hello\""_s << true;
        QTest::newRow("no column filter") << u"col:umn"_s << u"\"col:umn\"*"_s << true;
        QTest::newRow("minus and caret are characters")
            << u"-hello ^world"_s << u"\"-hello\" \"^world\"*"_s << true;
        QTest::newRow("emoji") << u"🦀 crab"_s << u"\"🦀\" \"crab\"*"_s << true;
        QTest::newRow("empty phrase left out") << u"\"\" crab"_s << u"\"crab\"*"_s << true;
        QTest::newRow("blanks inside a phrase")
            << u"\"hello \t  world\""_s << u"\"hello world\""_s << true;
        QTest::newRow("whitespace only") << u" \t\n "_s << QString() << false;
        QTest::newRow("empty") << QString() << QString() << false;
    }

    void ftsQuery()
    {
        QFETCH(QString, typed);
        QFETCH(QString, expression);
        QFETCH(bool, finds);
        QCOMPARE(ChatSearch::ftsQuery(typed), expression);
        if (expression.isEmpty())
            return;
        const QString sqlite = QStandardPaths::findExecutable(u"sqlite3"_s);
        if (sqlite.isEmpty())
            QSKIP("the sqlite3 command is not installed");
        QString error;
        const int count = matchCount(sqlite, expression, error);
        QVERIFY2(count >= 0, qPrintable(error));
        QCOMPARE(count, finds ? 1 : 0);
    }
};

VELM_TEST_MAIN(TestChatSearch)
#include "tst_chatsearch.moc"
