#include "chat/appevents.h"
#include "support/testregistry.h"

#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestAppEvents : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A blank question makes no chat and no chat has the nil id, so neither reaches an
    // observer; what does is delivered as given, untrimmed.
    void dropsWhatNoObserverCouldUse()
    {
        AppEvents events;
        QSignalSpy imports(&events, &AppEvents::importDialogChat);
        QSignalSpy opens(&events, &AppEvents::openChatSession);

        QVERIFY(
            !events.postImportDialogChat(ChatMessage(ChatMessage::Role::User, u" \n\t"_s),
                                         ChatMessage(ChatMessage::Role::Assistant, u"Because."_s)));
        QVERIFY(!events.postOpenChatSession(QUuid()));
        QCOMPARE(imports.size(), 0);
        QCOMPARE(opens.size(), 0);

        QVERIFY(events.postImportDialogChat(ChatMessage(ChatMessage::Role::User, u" Why? \n"_s)));
        // A file alone is a question.
        ChatMessage file(ChatMessage::Role::User, QString());
        file.attachments = {Attachment()};
        QVERIFY(events.postImportDialogChat(file));
        const QUuid id = QUuid::createUuid();
        QVERIFY(events.postOpenChatSession(id));
        QCOMPARE(imports.size(), 2);
        QCOMPARE(imports.at(0).at(0).value<ChatMessage>().text, u" Why? \n"_s);
        QCOMPARE(opens.size(), 1);
        QCOMPARE(opens.at(0).at(0).toUuid(), id);
    }
};

VELM_TEST_MAIN(TestAppEvents)
#include "tst_appevents.moc"
