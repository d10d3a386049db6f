#include "chat/controllerfixture.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/modelchip.h"
#include "main_window/sendstopbutton.h"
#include "main_window/websearchchip.h"
#include "support/loopback.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/appfonts.h"
#include "widgets/attachmentchiprow.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// A composer on the fixture's controller, in a window of its own.
struct ComposerHarness
{
    explicit ComposerHarness(ControllerFixture &fixture)
        : controller(fixture.controller())
        , view(controller, fixture.settings())
    {
        view.setPalette(AppColors::palette(true));
        view.resize(700, 200);
        view.show();
    }

    ComposerTextEdit *edit() const { return view.textEdit(); }

    ConversationController &controller;
    ComposerView view;
};

QByteArray png(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QMimeData *imageData(const QByteArray &bytes)
{
    auto *data = new QMimeData;
    data->setData(u"image/png"_s, bytes);
    return data;
}

} // namespace

class TestComposer : public QObject
{
    Q_OBJECT

public:
    // Hover and press animations jump, so every state is immediate.
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    void initTestCase() { registerAppFonts(); }

    void returnSendsShiftReturnAddsLine_data()
    {
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("sends");

        QTest::newRow("Return") << Qt::Key_Return << Qt::KeyboardModifiers() << true;
        QTest::newRow("keypad Enter")
            << Qt::Key_Enter << Qt::KeyboardModifiers(Qt::KeypadModifier) << true;
        QTest::newRow("Shift+Return")
            << Qt::Key_Return << Qt::KeyboardModifiers(Qt::ShiftModifier) << false;
    }

    void returnSendsShiftReturnAddsLine()
    {
        QFETCH(Qt::Key, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, sends);

        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStream({u"Hi"_s});
        ComposerHarness h(f);

        QTest::keyClicks(h.edit(), u"Hello"_s);
        QCOMPARE(h.controller.draft(), u"Hello"_s);
        QTest::keyClick(h.edit(), key, modifiers);

        if (sends) {
            QCOMPARE(h.controller.sessions().size(), 1);
            QCOMPARE(h.controller.sessions().constFirst().messages.constFirst().text, u"Hello"_s);
            QVERIFY(h.edit()->toPlainText().isEmpty());
            QVERIFY(f.waitUntilIdle());
            QCOMPARE(f.answerRequests().size(), 1);
        } else {
            // The line break is part of the draft as a plain "\n", and typing goes on after it.
            QTest::keyClicks(h.edit(), u"world"_s);
            QCOMPARE(h.controller.draft(), u"Hello\nworld"_s);
            QVERIFY(h.controller.sessions().isEmpty());
            QVERIFY(!h.controller.isLoading());
        }
    }

    void blankComposerCannotSend_data()
    {
        QTest::addColumn<QString>("draft");

        QTest::newRow("empty") << QString();
        QTest::newRow("line breaks and tabs") << u"\n\t \n"_s;
    }

    void blankComposerCannotSend()
    {
        QFETCH(QString, draft);

        ControllerFixture f;
        QVERIFY(f.isValid());
        ComposerHarness h(f);
        h.controller.setDraft(u"x"_s);
        QVERIFY(h.view.sendStopButton()->isEnabled());

        h.controller.setDraft(draft);
        QCOMPARE(h.edit()->toPlainText(), draft);
        QVERIFY(!h.view.sendStopButton()->isEnabled());
        QTest::keyClick(h.edit(), Qt::Key_Return);
        h.view.sendStopButton()->click();
        QVERIFY(h.controller.sessions().isEmpty());
        QVERIFY(!h.controller.isLoading());
        QVERIFY(f.model().http().requests().isEmpty());
    }

    void stopButtonStops_data()
    {
        QTest::addColumn<bool>("byShortcut");

        QTest::newRow("click") << false;
        QTest::newRow("Ctrl+.") << true;
    }

    void stopButtonStops()
    {
        QFETCH(bool, byShortcut);

        ControllerFixture f;
        QVERIFY(f.isValid());
        QStringList pieces;
        for (int i = 0; i < 100; ++i)
            pieces.append(u"w%1 "_s.arg(i));
        f.model().setStreamResponse(FakeModelServer::slowStream(pieces, 100));
        ComposerHarness h(f);
        SendStopButton *button = h.view.sendStopButton();

        h.controller.setDraft(u"Count slowly"_s);
        button->click();
        QVERIFY(h.controller.isLoading());
        QVERIFY(button->isEnabled());
        // Once pieces arrive, stopping must keep them and end the stream.
        QTRY_VERIFY_WITH_TIMEOUT(
            h.controller.sessions().constFirst().messages.size() == 2
                && !h.controller.sessions().constFirst().messages.constLast().text.isEmpty(),
            10000);

        if (byShortcut) {
            h.view.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&h.view));
            QTest::keyClick(h.edit(), Qt::Key_Period, Qt::ControlModifier);
        } else {
            button->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!h.controller.isLoading(), 5000);
        QVERIFY(!h.controller.streamTask());
        QVERIFY(!button->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!f.model().http().isConnectionOpen(f.answerConnection(0)), 5000);
        // Stopping adds nothing and sends nothing else.
        QCOMPARE(h.controller.sessions().constFirst().messages.size(), 2);
        QCOMPARE(f.answerRequests().size(), 1);
    }

    void webSearchChip_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("entry");

        QTest::newRow("always") << u"always"_s << u"Search on"_s << u"Always"_s;
        // A value none of the three searches never, and the chip must say so.
        QTest::newRow("unknown") << u"sometimes"_s << u"Search off"_s << u"Never"_s;
    }

    void webSearchChip()
    {
        QFETCH(QString, mode);
        QFETCH(QString, label);
        QFETCH(QString, entry);

        ControllerFixture f;
        QVERIFY(f.isValid());
        f.settings().setWebSearchMode(u"auto"_s);
        ComposerHarness h(f);
        // Changed after the chip exists, as the settings window would.
        f.settings().setWebSearchMode(mode);

        WebSearchChip *chip = h.view.webSearchChip();
        QCOMPARE(chip->text(), label);
        QStringList checked;
        QAction *choice = nullptr;
        QAction *other = nullptr;
        for (QAction *action : chip->menu()->actions()) {
            if (action->isChecked())
                checked.append(action->text());
            if (action->isSeparator())
                continue;
            if (action->text() == entry)
                choice = action;
            else
                other = action;
        }
        QCOMPARE(checked, QStringList{entry});

        // The menu writes the mode: another entry, then this row's again.
        QVERIFY(choice && other);
        other->trigger();
        QVERIFY(chip->text() != label);
        choice->trigger();
        QCOMPARE(f.settings().webSearchMode(), entry.toLower());
        QCOMPARE(h.controller.webSearchLabel(), label);
        QCOMPARE(chip->text(), label);
    }

    // The model chip: the model that answers, learned from an answer and from the list its
    // menu fetches; a chosen model the server lacks is replaced and the chip says so.
    void modelChip_data()
    {
        QTest::addColumn<QString>("preferred");
        QTest::addColumn<bool>("serverUp");
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<bool>("warning");
        QTest::addColumn<QStringList>("entries"); // the menu after the list arrived
        QTest::addColumn<QString>("checked");

        const QStringList listed{u"Automatic"_s, u"llama-3.2-3b"_s, u"lmstudio/gemma-3-4b"_s};
        QTest::newRow("automatic")
            << QString() << true << u"llama-3.2-3b"_s << u"Model: llama-3.2-3b (automatic)"_s
            << false << listed << u"Automatic"_s;
        QTest::newRow("preferred listed")
            << u"lmstudio/gemma-3-4b"_s << true << u"gemma-3-4b"_s
            << u"Model: lmstudio/gemma-3-4b"_s << false << listed << u"lmstudio/gemma-3-4b"_s;
        QTest::newRow("preferred missing")
            << u"mistral-7b"_s << true << u"llama-3.2-3b"_s
            << u"mistral-7b isn't available on the server; using llama-3.2-3b"_s << true
            << listed + QStringList{u"mistral-7b (not available)"_s}
            << u"mistral-7b (not available)"_s;
        QTest::newRow("server down")
            << QString() << false << u"Automatic"_s << u"Model: automatic"_s << false
            << QStringList{u"Automatic"_s, u"Start LM Studio"_s} << u"Automatic"_s;
    }

    void modelChip()
    {
        QFETCH(QString, preferred);
        QFETCH(bool, serverUp);
        QFETCH(QStringList, entries);

        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setModels({u"llama-3.2-3b"_s, u"lmstudio/gemma-3-4b"_s});
        f.model().setStream({u"Hi"_s});
        f.settings().setPreferredModel(preferred);
        if (!serverUp)
            f.settings().setLmStudioServerAddress(Loopback::closedAddress());
        ComposerHarness h(f);
        ModelChip *chip = h.view.modelChip();
        QCOMPARE(chip->focusPolicy(), Qt::TabFocus);
        QVERIFY(chip->menu());

        if (serverUp) {
            // An answer tells the chip which model wrote it, before any menu opened.
            QTest::keyClicks(h.edit(), u"Hello"_s);
            QTest::keyClick(h.edit(), Qt::Key_Return);
            QVERIFY(f.waitUntilIdle());
            QTEST(chip->text(), "label");
            QTEST(chip->showsWarning(), "warning");
        }

        // Opening the menu fetches the list; meanwhile it says so.
        Q_EMIT chip->menu()->aboutToShow();
        const auto texts = [chip] {
            QStringList list;
            for (QAction *action : chip->menu()->actions()) {
                if (!action->isSeparator() && !action->text().isEmpty()
                    && action->text() != u"Model"_s)
                    list.append(action->text());
            }
            return list;
        };
        // (A closed port may be known at once.)
        if (serverUp)
            QCOMPARE(texts(), (QStringList{u"Automatic"_s, u"Loading\u2026"_s}));
        QTRY_COMPARE(texts(), entries);
        QTEST(chip->text(), "label");
        QTEST(chip->toolTip(), "toolTip");
        QTEST(chip->showsWarning(), "warning");
        QCOMPARE(chip->accessibleName(), u"Model: "_s + chip->text());
        QStringList checkedEntries;
        for (QAction *action : chip->menu()->actions()) {
            if (action->isChecked())
                checkedEntries.append(action->text());
        }
        QFETCH(QString, checked);
        QCOMPARE(checkedEntries, QStringList{checked});

        // Picking a model writes the preference.
        if (serverUp) {
            for (QAction *action : chip->menu()->actions()) {
                if (action->text() == u"lmstudio/gemma-3-4b"_s)
                    action->trigger();
            }
            QTRY_COMPARE(f.settings().preferredModel(), u"lmstudio/gemma-3-4b"_s);
            QCOMPARE(chip->text(), u"gemma-3-4b"_s);
            QVERIFY(!chip->showsWarning());
        }
    }

    // One line when empty, growing with each line, and scrolling rather than growing past ten.
    // Pasting an image attaches it (read off the window's thread, a chip meanwhile); pasting
    // text still pastes text; Backspace in the empty field takes the last file off again.
    void pasteAttachesBackspaceRemoves()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ComposerHarness h(f);
        h.edit()->setFocus();

        QGuiApplication::clipboard()->setMimeData(imageData(png({3000, 2000})));
        QTest::keyClick(h.edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(h.edit()->toPlainText(), QString());
        QCOMPARE(h.view.pendingAttachments(), 1);
        QCOMPARE(h.view.attachmentChips()->count(), 1);
        QTRY_COMPARE(h.controller.draftAttachments().size(), 1);
        const Attachment pasted = h.controller.draftAttachments().constFirst();
        QCOMPARE(pasted.name, u"Pasted image.png"_s);
        QCOMPARE(QImage::fromData(pasted.data).size(), QSize(2048, 1365));

        QGuiApplication::clipboard()->setText(u"plain words"_s);
        QTest::keyClick(h.edit(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(h.edit()->toPlainText(), u"plain words"_s);
        QCOMPARE(h.controller.draftAttachments().size(), 1);
        // Backspace deletes text first; only in an empty field does it take the file.
        QTest::keyClick(h.edit(), Qt::Key_Backspace);
        QCOMPARE(h.controller.draftAttachments().size(), 1);
        h.edit()->clear();
        QTest::keyClick(h.edit(), Qt::Key_Backspace);
        QVERIFY(h.controller.draftAttachments().isEmpty());
        QCOMPARE(h.view.attachmentChips()->count(), 0);
        QVERIFY(h.view.attachmentChips()->isHidden());
    }

    // Files dropped on the composer are attached; a drag of text is not taken for one.
    void dropAttaches()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ComposerHarness h(f);
        QTemporaryDir dir;
        QFile notes(dir.filePath(u"notes.md"_s));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("# Notes\n");
        notes.close();

        QMimeData text;
        text.setText(u"words"_s);
        QDragEnterEvent enterText(QPoint(10, 10), Qt::CopyAction, &text, Qt::LeftButton,
                                  Qt::NoModifier);
        QApplication::sendEvent(&h.view, &enterText);
        QVERIFY(!enterText.isAccepted());

        QMimeData files;
        files.setUrls({QUrl::fromLocalFile(notes.fileName())});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&h.view, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&h.view, &drop);
        QTRY_COMPARE(h.controller.draftAttachments().size(), 1);
        QCOMPARE(h.controller.draftAttachments().constFirst().text, u"# Notes\n"_s);
        QVERIFY(h.edit()->hasFocus() || !h.view.isActiveWindow());
    }

    // Return while a file is still read sends once it is attached, with it.
    void returnWhileReadingSendsWithTheFile()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        f.model().setStream({u"A cyan square."_s});
        ComposerHarness h(f);
        h.edit()->setFocus();
        QGuiApplication::clipboard()->setMimeData(imageData(png({2500, 2500})));
        QTest::keyClick(h.edit(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClicks(h.edit(), u"What is it?"_s);
        QCOMPARE(h.view.pendingAttachments(), 1);
        QVERIFY(h.view.sendStopButton()->isEnabled());
        QTest::keyClick(h.edit(), Qt::Key_Return);
        QVERIFY(!h.controller.sidebarItem());

        QTRY_VERIFY(h.controller.sidebarItem());
        QVERIFY(f.waitUntilIdle());
        const ChatSession chat = *f.storedSession(*h.controller.sidebarItem());
        QCOMPARE(chat.messages.at(0).text, u"What is it?"_s);
        QCOMPARE(chat.messages.at(0).attachments.size(), 1);
        QVERIFY(h.controller.draftAttachments().isEmpty());
        QCOMPARE(h.view.attachmentChips()->count(), 0);
    }

    // A file velm cannot read is not attached, and a note says why; so is the eleventh.
    void refusedFilesAreNamed()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ComposerHarness h(f);
        QTemporaryDir dir;
        QFile zip(dir.filePath(u"archive.zip"_s));
        QVERIFY(zip.open(QIODevice::WriteOnly));
        zip.write(QByteArray("PK\x03\x04", 4) + QByteArray(64, '\0'));
        zip.close();
        h.view.attach({{zip.fileName(), {}, {}}});
        QTRY_VERIFY(h.view.attachmentChips()->note().startsWith(u"archive.zip is not"_s));
        QCOMPARE(h.view.attachmentChips()->count(), 0);
        QVERIFY(h.controller.draftAttachments().isEmpty());

        QList<AttachmentLoader::Offered> many;
        for (int i = 0; i <= Attachment::maxPerQuestion; ++i)
            many.append({{}, "note " + QByteArray::number(i), u"note%1.txt"_s.arg(i)});
        h.view.attach(many);
        QCOMPARE(h.view.attachmentChips()->note(),
                 u"A question can carry 10 files at most; note10.txt was not attached."_s);
        QTRY_COMPARE(h.controller.draftAttachments().size(), Attachment::maxPerQuestion);
        // In the order they were attached, whichever was read first.
        for (qsizetype i = 0; i < Attachment::maxPerQuestion; ++i)
            QCOMPARE(h.controller.draftAttachments().at(i).name, u"note%1.txt"_s.arg(i));
        QCOMPARE(h.view.attachmentChips()->removeButtons().size(), 10);
        // The remove buttons are named for their files, come before the field when Tab goes
        // round, and work from the keyboard.
        const QList<QToolButton *> removes = h.view.attachmentChips()->removeButtons();
        const auto nextStop = [](QWidget *widget) {
            do
                widget = widget->nextInFocusChain();
            while (!(widget->focusPolicy() & Qt::TabFocus));
            return widget;
        };
        for (qsizetype i = 0; i + 1 < removes.size(); ++i)
            QCOMPARE(nextStop(removes.at(i)), removes.at(i + 1));
        QCOMPARE(nextStop(removes.last()), h.edit());
        QToolButton *third = h.view.attachmentChips()->removeButtons().at(2);
        QCOMPARE(third->accessibleName(), u"Remove note2.txt"_s);
        third->setFocus();
        QTest::keyClick(third, Qt::Key_Space);
        QCOMPARE(h.controller.draftAttachments().size(), 9);
        QCOMPARE(h.controller.draftAttachments().at(2).name, u"note3.txt"_s);
    }

    void fieldGrowsToTenLines()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ComposerHarness h(f);
        ComposerTextEdit *edit = h.edit();

        QList<int> heights;
        for (const int lines : {1, 2, 10, 11, 40}) {
            QStringList text;
            for (int i = 0; i < lines; ++i)
                text.append(u"line %1"_s.arg(i));
            h.controller.setDraft(text.join(u'\n'));
            QCOMPARE(edit->lineCount() > ComposerTextEdit::maximumLines,
                     lines > ComposerTextEdit::maximumLines);
            heights.append(edit->height());
        }
        QVERIFY(heights[0] < heights[1] && heights[1] < heights[2]);
        QCOMPARE(heights[3], heights[2]);
        QCOMPARE(heights[4], heights[2]);
        QVERIFY(edit->verticalScrollBar()->maximum() > 0);

        // A long line wraps, and its wrapped lines count too.
        h.controller.setDraft(QString(400, u'a'));
        QVERIFY(edit->lineCount() > 1);
        QVERIFY(edit->height() > heights[0]);

        h.controller.setDraft(QString());
        QCOMPARE(edit->height(), heights[0]);
    }
};

VELM_TEST_MAIN(TestComposer)

#include "tst_composer.moc"
