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

        QVERIFY(!events.postImportDialogChat(u" \n\t"_s, u"Because."_s));
        QVERIFY(!events.postOpenChatSession(QUuid()));
        QCOMPARE(imports.size(), 0);
        QCOMPARE(opens.size(), 0);

        QVERIFY(events.postImportDialogChat(u" Why? \n"_s));
        const QUuid id = QUuid::createUuid();
        QVERIFY(events.postOpenChatSession(id));
        QCOMPARE(imports.size(), 1);
        QCOMPARE(imports.at(0).mid(0, 3), (QVariantList{u" Why? \n"_s, QString(), QString()}));
        QCOMPARE(opens.size(), 1);
        QCOMPARE(opens.at(0).at(0).toUuid(), id);
    }
};

VELM_TEST_MAIN(TestAppEvents)
#include "tst_appevents.moc"
