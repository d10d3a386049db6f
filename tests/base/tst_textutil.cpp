#include "base/textutil.h"
#include "support/testregistry.h"

#include <QTest>

class TestTextUtil : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void graphemes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qsizetype>("count");
        QTest::addColumn<QString>("firstTwo");

        QTest::newRow("empty") << QString() << qsizetype(0) << QString();
        QTest::newRow("ascii") << QStringLiteral("abc") << qsizetype(3) << QStringLiteral("ab");
        // e + combining acute, then a surrogate pair, then a flag (two regional indicators)
        const QString combining = QStringLiteral("e\u0301");
        const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
        const QString flag = QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA");
        QTest::newRow("clusters") << combining + emoji + flag << qsizetype(3) << combining + emoji;
        const QString family = QString::fromUtf8(
            "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
        QTest::newRow("zwj sequence")
            << family + QStringLiteral("x") << qsizetype(2) << family + QStringLiteral("x");
    }

    void graphemes()
    {
        QFETCH(QString, text);
        QFETCH(qsizetype, count);
        QFETCH(QString, firstTwo);
        QCOMPARE(TextUtil::graphemeCount(text), count);
        QCOMPARE(TextUtil::leftGraphemes(text, 2), firstTwo);
    }

    void startsWith_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("expected");

        QTest::newRow("whole text") << QStringLiteral("ab") << QStringLiteral("ab") << true;
        QTest::newRow("empty prefix") << QStringLiteral("ab") << QString() << true;
        QTest::newRow("different") << QStringLiteral("ab") << QStringLiteral("b") << false;
        QTest::newRow("half a flag") << QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA")
                                     << QString::fromUtf8("\xF0\x9F\x87\xA9") << false;
        QTest::newRow("half a cluster")
            << QStringLiteral("e\u0301x") << QStringLiteral("e") << false;
    }

    void startsWith()
    {
        QFETCH(QString, text);
        QFETCH(QString, prefix);
        QFETCH(bool, expected);
        QCOMPARE(TextUtil::startsWithGraphemes(text, prefix), expected);
    }
};

VELM_TEST_MAIN(TestTextUtil)
#include "tst_textutil.moc"
