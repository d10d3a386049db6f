#include "base/jsonwriter.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

class TestJsonWriter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("readBack");

        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("quotes and backslashes")
            << u"say \"hi\" \\ \\\" /"_s << u"say \"hi\" \\ \\\" /"_s;
        const QString controls = QString(u"\n\r\t\b\f"_s) + QChar(0) + QChar(0x1f) + QChar(0x7f);
        QTest::newRow("control characters") << controls << controls;
        QTest::newRow("three-byte") << u"日本語 € \u2028"_s << u"日本語 € \u2028"_s;
        QTest::newRow("four-byte")
            << u"😀 𝄞 👨‍👩‍👧"_s << u"😀 𝄞 👨‍👩‍👧"_s;
        QTest::newRow("lone high surrogate")
            << QString(u"a"_s + QChar(0xd83d) + u"b"_s) << u"a\ufffdb"_s;
        QTest::newRow("lone low surrogate at the end")
            << QString(u"a"_s + QChar(0xde00)) << u"a\ufffd"_s;
        QTest::newRow("reversed pair")
            << QString(QChar(0xde00) + QString(QChar(0xd83d))) << QString(u"\ufffd\ufffd"_s);
    }

    void text()
    {
        QFETCH(QString, text);
        QFETCH(QString, readBack);

        JsonWriter json(1); // tiny on purpose: the buffer has to grow
        json.beginArray();
        json.value(text);
        json.value(text);
        json.endArray();
        const QByteArray bytes = json.take();

        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(document.array().at(0).toString(), readBack);
        QCOMPARE(document.array().at(1).toString(), readBack);
        // Valid UTF-8 throughout, so it reads back the same through Qt's decoder too.
        QVERIFY(QString::fromUtf8(bytes).toUtf8() == bytes);
    }

    void numbers_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<QByteArray>("written");

        QTest::newRow("whole") << 786000100.0 << QByteArray("786000100");
        QTest::newRow("milliseconds") << 737640000.123 << QByteArray("737640000.123");
        QTest::newRow("tiny") << 1e-7 << QByteArray("1e-07");
    }

    void numbers()
    {
        QFETCH(double, number);
        QFETCH(QByteArray, written);

        JsonWriter json;
        json.beginArray();
        json.value(number);
        json.endArray();
        const QByteArray bytes = json.take();
        QCOMPARE(bytes, '[' + written + ']');
        QCOMPARE(QJsonDocument::fromJson(bytes).array().at(0).toDouble(), number);
    }

    void structure()
    {
        JsonWriter json;
        json.beginArray();
        json.beginObject();
        json.key("a"_L1);
        json.value(true);
        json.key("b"_L1);
        json.beginArray();
        json.endArray();
        json.key("c"_L1);
        json.beginObject();
        json.endObject();
        json.key("d"_L1);
        json.beginArray();
        json.value(false);
        json.value(u"x"_s);
        json.beginObject();
        json.endObject();
        json.endArray();
        json.endObject();
        json.beginArray();
        json.endArray();
        json.endArray();

        const QByteArray bytes = json.take();
        QCOMPARE(bytes, R"([{"a":true,"b":[],"c":{},"d":[false,"x",{}]},[]])");
        QVERIFY(!QJsonDocument::fromJson(bytes).isNull());
        // Taking leaves an empty writer that starts over.
        json.beginArray();
        json.endArray();
        QCOMPARE(json.take(), "[]");
    }
};

VELM_TEST_MAIN(TestJsonWriter)
#include "tst_jsonwriter.moc"
