#include "webenginetest.h"

#include "markdown/view/markdownview.h"

#include <QApplication>
#include <QTest>

using namespace Qt::StringLiterals;

// How a Markdown view that is on screen takes in new blocks while an answer streams.
class TestMarkdownLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newBlocksAreShownInPlaceAtOnce_data();
    void newBlocksAreShownInPlaceAtOnce();
};

void TestMarkdownLayout::newBlocksAreShownInPlaceAtOnce_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");

    QTest::newRow("blocks added")
        << u"# Plan\n\nFirst step.\n"_s
        << u"# Plan\n\nFirst step.\n\n- one\n- two\n\n```py\na = 1\n```\n\n> note\n\nEnd."_s;
    QTest::newRow("block changes its kind")
        << u"Intro.\n\nplain text"_s << u"Intro.\n\n- now an item\n\n---\n\nMore."_s;
    QTest::newRow("from nothing") << QString() << u"One.\n\nTwo.\n\nThree."_s;
}

// Without a turn of the event loop in between (nothing queued may be needed), so that the
// list that measures the message right after a piece sees and paints the blocks in place.
void TestMarkdownLayout::newBlocksAreShownInPlaceAtOnce()
{
    QFETCH(QString, before);
    QFETCH(QString, after);
    // Roomy, so that every block gets its full height.
    MarkdownView view;
    view.resize(600, 1500);
    view.setText(before);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoreApplication::processEvents();

    view.setText(after);
    int bottom = -1;
    for (qsizetype i = 0; i < view.blockCount(); ++i) {
        QWidget *block = view.blockWidget(i);
        QVERIFY2(block->isVisible(), qPrintable(u"block %1"_s.arg(i)));
        // Stacked under the one before, as wide as the view.
        QCOMPARE(block->y(), bottom + 1);
        QCOMPARE(block->width(), view.width());
        QVERIFY(block->height() > 0);
        bottom = block->geometry().bottom();
    }
    QVERIFY(view.blockCount() >= 3);

    // Off screen, blocks are made but wait for the view to be shown.
    view.hide();
    view.setText(after + u"\n\nA last one."_s);
    QVERIFY(!view.blockWidget(view.blockCount() - 1)->isVisible());
    view.show();
    QVERIFY(view.blockWidget(view.blockCount() - 1)->isVisible());
}

VELM_WEBENGINE_TEST_MAIN(TestMarkdownLayout)

#include "tst_markdownlayout.moc"
