#include "chat/quickprompt.h"
#include "support/testregistry.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

QSet<QUuid> ids(const QList<QuickPrompt> &prompts)
{
    QSet<QUuid> set;
    for (const QuickPrompt &prompt : prompts)
        set.insert(prompt.id);
    return set;
}

} // namespace

class TestQuickPrompt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void tableIsStableAndDistinct()
    {
        const QList<QuickPrompt> &table = QuickPrompt::all();
        QCOMPARE(ids(table).size(), table.size());
        QVERIFY(!ids(table).contains(QUuid()));
        QSet<QString> labels;
        for (const QuickPrompt &prompt : table) {
            QVERIFY(!prompt.icon.isEmpty() && !prompt.detail.isEmpty());
            QVERIFY(!prompt.prompt.isEmpty());
            labels.insert(prompt.label);
        }
        QCOMPARE(labels.size(), table.size());
        // Built once: a second look gives the same ids, so a chosen row can be found again.
        QCOMPARE(QuickPrompt::all().constFirst().id, table.constFirst().id);
    }

    void selection_data()
    {
        QTest::addColumn<int>("tableSize");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("expected");

        QTest::newRow("four of the table") << 34 << 4 << 4;
        QTest::newRow("short table shuffled whole") << 3 << 4 << 3;
        QTest::newRow("exactly four") << 4 << 4 << 4;
        QTest::newRow("empty") << 0 << 4 << 0;
    }

    void selection()
    {
        QFETCH(int, tableSize);
        QFETCH(int, count);
        QFETCH(int, expected);

        const QList<QuickPrompt> table = QuickPrompt::all().first(tableSize);
        QRandomGenerator random(7);
        for (int round = 0; round < 50; ++round) {
            const QList<QuickPrompt> chosen = QuickPrompt::randomSelection(table, count, random);
            QCOMPARE(chosen.size(), expected);
            QCOMPARE(ids(chosen).size(), expected);
            QVERIFY(ids(table).contains(ids(chosen)));
        }
    }

    // Over many new chats every starter comes up, and none comes up far more than its share.
    void everyStarterIsDrawn()
    {
        QRandomGenerator random(42);
        QHash<QUuid, int> seen;
        const int rounds = 3400;
        for (int round = 0; round < rounds; ++round) {
            for (const QuickPrompt &prompt :
                 QuickPrompt::randomSelection(QuickPrompt::all(), 4, random))
                ++seen[prompt.id];
        }
        QCOMPARE(seen.size(), QuickPrompt::all().size());
        // Each is expected 400 times; a shuffle that draws one swap partner too few keeps
        // the first rows out of the first places and misses this.
        for (const int times : std::as_const(seen))
            QVERIFY2(times > 300 && times < 500, qPrintable(QString::number(times)));
    }
};

VELM_TEST_MAIN(TestQuickPrompt)
#include "tst_quickprompt.moc"
