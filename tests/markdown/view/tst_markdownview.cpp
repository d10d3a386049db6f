#include "markdown/mdtest.h"
#include "support/openedurls.h"
#include "support/testregistry.h"

#include "markdown/view/codeblockview.h"
#include "markdown/view/dividerview.h"
#include "markdown/view/listitemview.h"
#include "markdown/view/markdownview.h"
#include "markdown/view/mathblockview.h"
#include "markdown/view/nativetextview.h"
#include "markdown/view/quoteblockview.h"
#include "math/mathtypesetter.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

using namespace Qt::StringLiterals;

namespace {

// What draws a block, by kind of widget and what it shows, for comparing a view that was
// streamed into with one built at once.
QString describe(QWidget *widget)
{
    if (auto *text = qobject_cast<NativeTextView *>(widget))
        return u"text:"_s + text->html() + u'|' + text->formulas().join(u'|');
    if (auto *formula = qobject_cast<MathBlockView *>(widget))
        return u"formula:"_s + formula->tex();
    if (auto *code = qobject_cast<CodeBlockView *>(widget))
        return u"code:"_s + code->languageLabel() + u':' + code->code();
    if (auto *item = qobject_cast<ListItemView *>(widget))
        return u"item:"_s + QString::number(item->indent()) + item->marker() + u':'
            + describe(item->content());
    if (auto *quote = qobject_cast<QuoteBlockView *>(widget))
        return u"quote:"_s + describe(quote->content());
    if (qobject_cast<DividerView *>(widget))
        return u"divider"_s;
    return u"unknown"_s;
}

QStringList describeAll(const MarkdownView &view)
{
    QStringList all;
    for (qsizetype i = 0; i < view.blockCount(); ++i)
        all.append(describe(view.blockWidget(i)));
    return all;
}

QList<CodeBlockView *> codeBlocks(const MarkdownView &view)
{
    QList<CodeBlockView *> blocks;
    for (qsizetype i = 0; i < view.blockCount(); ++i) {
        if (auto *code = qobject_cast<CodeBlockView *>(view.blockWidget(i)))
            blocks.append(code);
    }
    return blocks;
}

const QString everythingButMath
    = u"# Title\n\nA paragraph with **bold**, *italic*, `code` and a [link](https://x.org).\n\n"
      "- one\n  - two\n1. three\n\n> quoted\n\n---\n\n```python\nprint(1)\n```\n\n"
      "Prices: $5 and $10.\n"_s;

} // namespace

class TestMarkdownView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelTextIsNeverMarkup_data();
    void modelTextIsNeverMarkup();
    void nativeLinkDoesNothing();
    void codeLanguageLabel_data();
    void codeLanguageLabel();
    void copyConfirmsOnAllBlocksOfTheMessage();
    void unchangedBlocksKeepTheirWidgets();
    void formulasAreTypesetOncePerChange();
    void streamingEndsWhereABuildWould();
    void wheelOverCodeScrollsTheChat();
    void textIsSelectableAndCopiesPlain();
    void newBlocksAreShownInPlaceAtOnce_data();
    void newBlocksAreShownInPlaceAtOnce();
};

void TestMarkdownView::modelTextIsNeverMarkup_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");

    QTest::newRow("bold tag") << u"<b>not bold</b>"_s << u"<b>not bold</b>"_s;
    QTest::newRow("entity") << u"&amp; &lt;"_s << u"&amp; &lt;"_s;
    QTest::newRow("inside bold") << u"**<i>x</i>**"_s << u"<i>x</i>"_s;
    QTest::newRow("inside code") << u"`<br>`"_s << u"<br>"_s;
    QTest::newRow("list") << u"- <table><tr><td>x"_s << u"<table><tr><td>x"_s;
    QTest::newRow("quote") << u"> <script>alert(1)</script>"_s << u"<script>alert(1)</script>"_s;
}

void TestMarkdownView::modelTextIsNeverMarkup()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    MarkdownView view;
    view.setText(text);
    QCOMPARE(view.blockCount(), 1);
    const QList<NativeTextView *> texts = view.findChildren<NativeTextView *>();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts.first()->toPlainText(), shown);
}

void TestMarkdownView::nativeLinkDoesNothing()
{
    OpenedUrls opened({u"http"_s, u"https"_s});
    MarkdownView view;
    view.setText(u"[a link that fills the line](https://example.org/)"_s);
    view.resize(400, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto *text = qobject_cast<NativeTextView *>(view.blockWidget(0));
    QVERIFY(text);
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(20, 8));
    QTest::qWait(50);
    QVERIFY(opened.urls.isEmpty());
    QCOMPARE(text->toPlainText(), u"a link that fills the line"_s);
}

void TestMarkdownView::codeLanguageLabel_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("code");

    QTest::newRow("none") << u"```\nx = 1\n```"_s << u"code"_s << u"x = 1"_s;
    QTest::newRow("capitals") << u"```SQL\nSELECT 1;\n```"_s << u"sql"_s << u"SELECT 1;"_s;
    QTest::newRow("tilde, unterminated")
        << u"~~~Rust\nfn main() {\n    <T>\n"_s << u"rust"_s << u"fn main() {\n    <T>\n"_s;
}

void TestMarkdownView::codeLanguageLabel()
{
    QFETCH(QString, text);
    QFETCH(QString, label);
    QFETCH(QString, code);
    MarkdownView view;
    view.setText(text);
    const QList<CodeBlockView *> blocks = codeBlocks(view);
    QCOMPARE(blocks.size(), 1);
    QCOMPARE(blocks.first()->languageLabel(), label);
    QCOMPARE(blocks.first()->code(), code);
    // The code is shown as it is, markup included.
    QCOMPARE(blocks.first()->codeLabel()->textFormat(), Qt::PlainText);
    QCOMPARE(blocks.first()->codeLabel()->text(), code);
}

void TestMarkdownView::copyConfirmsOnAllBlocksOfTheMessage()
{
    MarkdownView view;
    view.setText(u"```sh\nls -la\n```\n\nand\n\n```\nrm x\n```\n"_s);
    MarkdownView otherMessage;
    otherMessage.setText(u"```\nother\n```"_s);
    const QList<CodeBlockView *> blocks = codeBlocks(view);
    QCOMPARE(blocks.size(), 2);

    QApplication::clipboard()->setText(u"before"_s);
    blocks.at(1)->copyButton()->click();
    QCOMPARE(QApplication::clipboard()->text(), u"rm x"_s);
    QVERIFY(view.codeCopied());
    for (CodeBlockView *block : blocks)
        QVERIFY(block->isCopied());
    QVERIFY(!codeBlocks(otherMessage).first()->isCopied());

    // A code block that appears while the confirmation shows shows it too.
    view.setText(view.text() + u"\n```\nnew\n```\n"_s);
    QCOMPARE(codeBlocks(view).size(), 3);
    QVERIFY(codeBlocks(view).last()->isCopied());

    blocks.at(0)->copyButton()->click();
    QCOMPARE(QApplication::clipboard()->text(), u"ls -la"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!view.codeCopied(), 5000);
    for (CodeBlockView *block : codeBlocks(view))
        QVERIFY(!block->isCopied());
}

void TestMarkdownView::unchangedBlocksKeepTheirWidgets()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *view = new MarkdownView;
    layout->addWidget(view);
    window.resize(600, 900);
    window.show();

    const QString start = u"# Plan\n\nFirst $x^2$ here.\n\n$$\n\\int_0^1 f\n$$\n\n```py\na = 1\n"_s;
    view->setText(start);
    QCOMPARE(view->blockCount(), 4);
    QList<QPointer<QWidget>> before;
    for (qsizetype i = 0; i < view->blockCount(); ++i)
        before.append(view->blockWidget(i));
    auto *formula = qobject_cast<MathBlockView *>(view->blockWidget(2));
    QVERIFY(formula);
    QTRY_VERIFY(formula->isTypeset());
    const int typeset = MathTypesetter::instance().typesetCount();

    // The code block grows, then a new paragraph starts.
    view->setText(start + u"b = 2\n"_s);
    view->setText(start + u"b = 2\n```\n\nDone"_s);
    QCOMPARE(view->blockCount(), 5);
    for (qsizetype i = 0; i < 3; ++i)
        QCOMPARE(view->blockWidget(i), before.at(i).data());
    // The code block changed but kept its kind: updated in place.
    QCOMPARE(view->blockWidget(3), before.at(3).data());
    QCOMPARE(qobject_cast<CodeBlockView *>(view->blockWidget(3))->code(), u"a = 1\nb = 2"_s);
    QCOMPARE(MathTypesetter::instance().typesetCount(), typeset);

    // A block that turns into another kind gets a new widget; the others stay.
    view->setText(start + u"b = 2\n```\n\nDone\n\n$$y$$"_s);
    QVERIFY(qobject_cast<MathBlockView *>(view->blockWidget(5)));
    for (qsizetype i = 0; i < 4; ++i)
        QCOMPARE(view->blockWidget(i), before.at(i).data());

    // Removed blocks go away.
    view->setText(u"# Plan\n"_s);
    QCOMPARE(view->blockCount(), 1);
    QCOMPARE(view->blockWidget(0), before.at(0).data());
    QTRY_VERIFY(before.at(2).isNull());
}

void TestMarkdownView::formulasAreTypesetOncePerChange()
{
    MarkdownView view;
    view.resize(500, 300);
    view.show();
    MathTypesetter &typesetter = MathTypesetter::instance();
    view.setText(u"The sum $a^2 + b"_s);
    auto *text = qobject_cast<NativeTextView *>(view.blockWidget(0));
    QVERIFY(text);
    QVERIFY(text->formulas().isEmpty());
    view.setText(u"The sum $a^2 + b_{17}$"_s); // now it is math
    QCOMPARE(view.blockWidget(0), text);
    QCOMPARE(text->formulas(), QStringList{u"a^2 + b_{17}"_s});
    QTRY_VERIFY(text->formulasTypeset());
    const int once = typesetter.typesetCount();

    // The answer grows around the formula: it is not typeset again, here or in another view.
    view.setText(u"The sum $a^2 + b_{17}$ of two"_s);
    view.setText(u"The sum $a^2 + b_{17}$ of two terms"_s);
    MarkdownView again;
    again.setText(u"Again $a^2 + b_{17}$."_s);
    QVERIFY(qobject_cast<NativeTextView *>(again.blockWidget(0))->formulasTypeset());
    QCOMPARE(view.blockWidget(0), text);
    QVERIFY(text->formulasTypeset());
    QCOMPARE(typesetter.typesetCount(), once);

    // A second formula is typeset alone.
    view.setText(u"The sum $a^2 + b_{17}$ of two terms $c_{23}$"_s);
    QTRY_VERIFY(text->formulasTypeset());
    QCOMPARE(typesetter.typesetCount(), once + 1);
    QCOMPARE(text->toPlainText(), u"The sum $a^2 + b_{17}$ of two terms $c_{23}$"_s);
}

void TestMarkdownView::streamingEndsWhereABuildWould()
{
    // Piece by piece, as an answer streams in (not shown: only the structure matters).
    const QString answer = MDTest::answerSegments().join(QString());
    MarkdownView streamed;
    for (qsizetype end = 0; end <= answer.size(); end += 7) {
        streamed.setText(answer.left(end));
        QCOMPARE(streamed.blockCount(), MarkdownParser::parseBlocks(answer.left(end)).size());
    }
    streamed.setText(answer);

    MarkdownView built;
    built.setText(answer);
    QCOMPARE(describeAll(streamed), describeAll(built));
    const QList<MDBlock> blocks = MarkdownParser::parseBlocks(answer);
    for (qsizetype i = 0; i < blocks.size(); ++i)
        QCOMPARE(streamed.block(i), blocks.at(i));
}

// Qt hands a wheel event that a widget leaves unaccepted on to its parents, up to the
// chat's scroll area; the code panel's own scroller must leave vertical ones alone.
void TestMarkdownView::wheelOverCodeScrollsTheChat()
{
    MarkdownView view;
    view.setText(u"```\n"_s + u"a very long line of code "_s.repeated(20) + u"\n```\n"_s);
    view.resize(400, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto *scroller = qobject_cast<QScrollArea *>(
        codeBlocks(view).first()->codeLabel()->parentWidget()->parentWidget());
    QVERIFY(scroller);
    QVERIFY(scroller->horizontalScrollBar()->maximum() > 0);

    const QPointF position(10, 10);
    QWheelEvent down(position, scroller->viewport()->mapToGlobal(position), QPoint(),
                     QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(scroller->viewport(), &down);
    QVERIFY(!down.isAccepted());
    QCOMPARE(scroller->horizontalScrollBar()->value(), 0);

    // Sideways scrolling is the scroller's own.
    QWheelEvent sideways(position, scroller->viewport()->mapToGlobal(position), QPoint(),
                         QPoint(-120, 0), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(scroller->viewport(), &sideways);
    QVERIFY(sideways.isAccepted());
    QVERIFY(scroller->horizontalScrollBar()->value() > 0);
}

void TestMarkdownView::textIsSelectableAndCopiesPlain()
{
    MarkdownView view;
    view.setText(u"Hello **brave** <b>world</b>"_s);
    view.resize(500, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    auto *text = qobject_cast<NativeTextView *>(view.blockWidget(0));
    QVERIFY(text);

    // A drag across the line selects it; the copy is the text as shown, never its markup.
    const int middle = text->height() / 2;
    QTest::mousePress(text, Qt::LeftButton, {}, QPoint(0, middle));
    QMouseEvent drag(QEvent::MouseMove, QPointF(text->width() - 1, middle),
                     text->mapToGlobal(QPointF(text->width() - 1, middle)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(text, &drag);
    QTest::mouseRelease(text, Qt::LeftButton, {}, QPoint(text->width() - 1, middle));
    QCOMPARE(text->selectedText(), u"Hello brave <b>world</b>"_s);
    QApplication::clipboard()->clear();
    QTest::keySequence(text, QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), u"Hello brave <b>world</b>"_s);

    // A streamed update replaces the document, and with it the selection.
    view.setText(u"Hello **brave** <b>world</b>, again"_s);
    QVERIFY(text->selectedText().isEmpty());
}

void TestMarkdownView::newBlocksAreShownInPlaceAtOnce_data()
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

// New blocks of a view on screen show in place at once, without a turn of the event loop in
// between (nothing queued may be needed): the list that measures the message right after a
// piece sees and paints them where they belong.
void TestMarkdownView::newBlocksAreShownInPlaceAtOnce()
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

VELM_TEST_MAIN(TestMarkdownView)
#include "tst_markdownview.moc"
