#include "chat/controllerfixture.h"

#include "main_window/answerversionswitcher.h"
#include "main_window/assistantmessagerow.h"
#include "main_window/attachmenttiles.h"
#include "main_window/chatscrollview.h"
#include "main_window/chatviewstate.h"
#include "main_window/composertextedit.h"
#include "main_window/composerview.h"
#include "main_window/messageactionbutton.h"
#include "main_window/messagebubble.h"
#include "main_window/messagelistview.h"
#include "main_window/questioneditfield.h"
#include "main_window/undonote.h"
#include "main_window/usermessagerow.h"
#include "support/testattachments.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/appfonts.h"

#include <QAccessible>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The conversation and the composer of a controller in one window, as the main window
// holds them.
struct Window
{
    Window(ControllerFixture &fixture, const ChatSession &session)
        : controller((fixture.store({session}), fixture.controller()))
        , list(controller, state)
        , composer(controller, fixture.settings())
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(&list, 1);
        layout->addWidget(&composer);
        window.setPalette(AppColors::palette(true));
        window.resize(820, 640);
        window.show();
        controller.selectSession(session.id);
        window.activateWindow();
        // Shortcuts and the focus work in the active window only.
        activated = QTest::qWaitForWindowActive(&window);
    }

    AssistantMessageRow *answer(const QUuid &id) const
    {
        return qobject_cast<AssistantMessageRow *>(list.scrollView()->messageRow(id));
    }
    UserMessageRow *question(const QUuid &id) const
    {
        return qobject_cast<UserMessageRow *>(list.scrollView()->messageRow(id));
    }
    ChatSession session() const { return *controller.session(*controller.sidebarItem()); }

    ConversationController &controller;
    bool activated = false;
    QWidget window;
    ChatViewState state;
    MessageListView list;
    ComposerView composer;
};

ChatSession withVersions(const QStringList &versions, qsizetype chosen)
{
    ChatSession session = conversation({u"Name a colour"_s, versions.at(chosen)});
    ChatMessage &answer = session.messages.last();
    for (const QString &text : versions)
        answer.versions.append(AnswerVersion{text, {}, {}, {}, {}, {}});
    answer.chosenVersion = chosen;
    return session;
}

QString accessibleName(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

} // namespace

class TestAnswerActions : public QObject
{
    Q_OBJECT

public:
    static void initMain() { qputenv("VELM_NO_ANIMATIONS", "1"); }

private Q_SLOTS:
    // A screen reader finds the conversation as a list whose items say who spoke and
    // carry the whole message, an answer's Markdown read as plain text.
    void messagesAreReadable()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session
            = conversation({u"What is the derivative of $x^2$?"_s,
                            u"It is $2x$, **twice** x.\n\n```python\nprint(2 * x)\n```"_s});
        Window w(f, session);
        QVERIFY(w.activated);

        QAccessibleInterface *list
            = QAccessible::queryAccessibleInterface(w.list.scrollView()->widget());
        QVERIFY(list);
        QCOMPARE(list->role(), QAccessible::List);
        QCOMPARE(list->text(QAccessible::Name), u"Conversation"_s);
        QStringList spoken;
        for (int i = 0; i < list->childCount(); ++i) {
            QAccessibleInterface *item = list->child(i);
            if (item->role() != QAccessible::ListItem)
                continue;
            const QString description = item->text(QAccessible::Description);
            QAccessibleTextInterface *text = item->textInterface();
            QVERIFY(text);
            QCOMPARE(text->text(0, text->characterCount()), description);
            spoken.append(item->text(QAccessible::Name) + u": "_s + description);
        }
        QCOMPARE(spoken,
                 (QStringList{u"You: What is the derivative of $x^2$?"_s,
                              u"velm: It is 2x, twice x.\nCode (python):\nprint(2 * x)"_s}));
    }

    // A question's files show above it, each a tile named for its file that opens it; a
    // question that is only files has no empty bubble.
    void filesShowAboveTheQuestion()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        ChatSession session = conversation(
            {u"What are these?"_s, u"A photo and notes."_s, QString(), u"Still a photo."_s});
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "JPEG");
        const Attachment photo = TestAttachments::image(u"hill.jpg"_s, jpeg, u"image/jpeg"_s);
        const Attachment notes
            = TestAttachments::document(u"<b>notes</b>.md"_s, QString(2048, u'x'));
        session.messages[0].attachments = {photo, notes};
        session.messages[2].attachments = {photo};
        Window w(f, session);
        QVERIFY(w.activated);

        UserMessageRow *first = w.question(session.messages.at(0).id);
        QVERIFY(first);
        const QList<QAbstractButton *> tiles = first->attachmentTiles()->tiles();
        QCOMPARE(tiles.size(), 2);
        QCOMPARE(accessibleName(tiles.at(0)), u"Image hill.jpg"_s);
        QCOMPARE(accessibleName(tiles.at(1)),
                 u"Document <b>notes</b>.md, "_s + QLocale().formattedDataSize(2048));
        QVERIFY(tiles.at(0)->focusPolicy() & Qt::TabFocus);
        // A name like markup shows as it is, in the tooltip too.
        QVERIFY(!Qt::mightBeRichText(tiles.at(1)->toolTip())
                || tiles.at(1)->toolTip().contains(u"&lt;"_s));
        QVERIFY(first->attachmentTiles()->isVisible());
        // Above the question's bubble, on the user's side.
        const MessageBubble *bubble = first->findChild<MessageBubble *>();
        QVERIFY(bubble->isVisible());
        QVERIFY(first->attachmentTiles()->geometry().bottom() < bubble->geometry().top());
        QCOMPARE(tiles.at(1)->mapTo(first, QPoint(tiles.at(1)->width(), 0)).x(),
                 first->attachmentTiles()->geometry().right() + 1);

        UserMessageRow *second = w.question(session.messages.at(2).id);
        QVERIFY(!second->findChild<MessageBubble *>()->isVisible());
        QCOMPARE(second->attachmentTiles()->tiles().size(), 1);
        QVERIFY(second->height() >= second->attachmentTiles()->height());
    }

    void initTestCase() { registerAppFonts(); }

    void switcherByKeyboard()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session = withVersions({u"Red"_s, u"Blue"_s, u"Green"_s}, 2);
        Window w(f, session);
        QVERIFY(w.activated);
        const QUuid id = session.messages.at(1).id;
        AssistantMessageRow *row = w.answer(id);
        QVERIFY(row);
        AnswerVersionSwitcher *switcher = row->versionSwitcher();
        QVERIFY(switcher->isVisibleTo(row));
        QCOMPARE(switcher->countLabel()->text(), u"3 / 3"_s);
        QCOMPARE(accessibleName(switcher->countLabel()), u"Version 3 of 3"_s);
        QCOMPARE(accessibleName(switcher->previousButton()), u"Previous version"_s);
        QCOMPARE(accessibleName(switcher->nextButton()), u"Next version"_s);
        QVERIFY(!switcher->nextButton()->isEnabled());

        switcher->previousButton()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(switcher->previousButton(), Qt::Key_Return);
        QCOMPARE(w.session().messages.at(1).text, u"Blue"_s);
        QCOMPARE(switcher->countLabel()->text(), u"2 / 3"_s);
        QTest::keyClick(switcher->previousButton(), Qt::Key_Left);
        QCOMPARE(w.session().messages.at(1).text, u"Red"_s);
        // The arrow that reached the end passed the focus on to the other.
        QVERIFY(!switcher->previousButton()->isEnabled());
        QVERIFY(switcher->nextButton()->hasFocus());
        QTest::keyClick(switcher->nextButton(), Qt::Key_Space);
        QCOMPARE(w.session().messages.at(1).chosenVersion, 1);
        QCOMPARE(f.storedSession(session.id)->messages.at(1).text, u"Blue"_s);
        QCOMPARE(f.storedSession(session.id)->messages.at(1).chosenVersion, 1);
    }

    void regenerateIsOffWhileAnswering()
    {
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session = conversation({u"Name a colour"_s, u"Red"_s});
        Window w(f, session);
        QVERIFY(w.activated);
        const QUuid id = session.messages.at(1).id;
        MessageActionButton *regenerate = w.answer(id)->regenerateButton();
        QVERIFY(regenerate->isVisibleTo(w.answer(id)));
        QVERIFY(regenerate->isEnabled());
        QVERIFY(!w.answer(id)->versionSwitcher()->isVisibleTo(w.answer(id)));

        f.model().setStreamResponse(FakeModelServer::slowStream({u"Blue"_s, u"."_s}, 200));
        QTest::keyClick(&w.window, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(w.controller.isLoading());
        QVERIFY(!regenerate->isEnabled());
        QTest::keyClick(&w.window, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
        regenerate->click();
        QVERIFY(f.waitUntilIdle());
        QCOMPARE(f.answerRequests().size(), 1);
        QTRY_VERIFY(regenerate->isEnabled());
        QCOMPARE(w.answer(id)->versionSwitcher()->countLabel()->text(), u"2 / 2"_s);
        QVERIFY(w.answer(id)->versionSwitcher()->isVisibleTo(w.answer(id)));
    }

    void editInPlace_data()
    {
        QTest::addColumn<bool>("byUpKey");
        QTest::newRow("Up in the empty composer") << true;
        QTest::newRow("the Edit button by keyboard") << false;
    }

    void editInPlace()
    {
        QFETCH(bool, byUpKey);
        ControllerFixture f;
        QVERIFY(f.isValid());
        const ChatSession session
            = conversation({u"Name a colour"_s, u"Red"_s, u"Why?"_s, u"Warm"_s});
        Window w(f, session);
        QVERIFY(w.activated);
        const QList<ChatSession> before = f.stored();
        const QUuid id = session.messages.at(byUpKey ? 2 : 0).id;
        UserMessageRow *row = w.question(id);
        QVERIFY(row);
        const auto begin = [&] {
            if (byUpKey) {
                w.composer.textEdit()->setFocus();
                QTest::keyClick(w.composer.textEdit(), Qt::Key_Up);
            } else {
                row->editButton()->setFocus(Qt::TabFocusReason);
                QTest::keyClick(row->editButton(), Qt::Key_Space);
            }
        };

        // Escape leaves the question as it was.
        begin();
        QVERIFY(row->editField());
        QCOMPARE(row->editField()->text(), session.messages.at(byUpKey ? 2 : 0).text);
        QTRY_VERIFY(row->editField()->textEdit()->hasFocus());
        QTest::keyClicks(row->editField()->textEdit(), u" changed"_s);
        QTest::keyClick(row->editField()->textEdit(), Qt::Key_Escape);
        QVERIFY(!row->editField());
        QVERIFY(!w.controller.editingMessageId());
        QCOMPARE(f.stored(), before);

        // Return sends; Shift+Return starts a line.
        begin();
        f.model().setStreamResponse(FakeModelServer::slowStream({u"Green"_s}, 300));
        QTest::keyClick(row->editField()->textEdit(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClicks(row->editField()->textEdit(), u"calm"_s);
        QTest::keyClick(row->editField()->textEdit(), Qt::Key_Return);
        const QString edited = session.messages.at(byUpKey ? 2 : 0).text + u"\ncalm"_s;
        QCOMPARE(f.storedSession(session.id)->messages.constLast().text, edited);
        QCOMPARE(f.storedSession(session.id)->messages.size(), byUpKey ? 3 : 1);
        QVERIFY(w.composer.undoNote()->isVisibleTo(&w.window));

        // Ctrl+Z in the empty composer undoes the edit.
        QTRY_VERIFY(w.composer.textEdit()->hasFocus());
        QTest::keyClick(w.composer.textEdit(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!w.composer.undoNote()->isVisibleTo(&w.window));
        QVERIFY(!w.controller.isLoading());
        QCOMPARE(f.stored(), before);
    }
};

VELM_TEST_MAIN(TestAnswerActions)
#include "tst_answeractions.moc"
