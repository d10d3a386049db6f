#include "base/replyholder.h"
#include "support/testregistry.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTest>

using namespace Qt::StringLiterals;

class TestReplyHolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void handsTheReplyBack_data()
    {
        QTest::addColumn<ReplyHolder::Signals>("onRelease");
        QTest::addColumn<bool>("handlerKept");
        QTest::newRow("kept") << ReplyHolder::Signals::Kept << true;
        QTest::newRow("disconnected") << ReplyHolder::Signals::Disconnected << false;
    }

    void handsTheReplyBack()
    {
        QFETCH(ReplyHolder::Signals, onRelease);
        QFETCH(bool, handlerKept);
        QNetworkAccessManager network;
        // Nothing listens there; the reply is never read.
        QNetworkReply *reply = network.get(QNetworkRequest(QUrl(u"http://127.0.0.1:9/"_s)));
        const QPointer<QNetworkReply> watch(reply);
        QObject handler;
        connect(reply, &QNetworkReply::finished, &handler, [] {});
        {
            const ReplyHolder holder(reply, onRelease);
            QCOMPARE(holder.get(), reply);
        }
        // Deleted later, not at once: the holder may let go inside one of the reply's signals.
        QVERIFY(watch);
        QCOMPARE(QObject::disconnect(reply, &QNetworkReply::finished, &handler, nullptr),
                 handlerKept);
        QTRY_VERIFY(!watch);
    }

    void replyDeletedElsewhere()
    {
        QNetworkAccessManager network;
        auto *reply = network.get(QNetworkRequest(QUrl(u"http://127.0.0.1:9/"_s)));
        const ReplyHolder holder(reply);
        delete reply;
        QCOMPARE(holder.get(), nullptr);
    }
};

VELM_TEST_MAIN(TestReplyHolder)
#include "tst_replyholder.moc"
