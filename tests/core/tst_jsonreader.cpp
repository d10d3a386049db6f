#include "core/jsonreader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Reads a whole document value by value; true when it was valid JSON and nothing else.
bool readsWhole(const QByteArray &json)
{
    JsonReader reader(json);
    return reader.skipValue() && reader.atEnd();
}

} // namespace

class TestJsonReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void grammar_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("valid");
        // QJsonDocument accepts a few things outside the grammar; this reader does not.
        QTest::addColumn<bool>("qtLenient");

        QTest::newRow("empty array") << QByteArray("[]") << true << false;
        QTest::newRow("empty object") << QByteArray("{}") << true << false;
        QTest::newRow("every type") << QByteArray(
            " [ 1 , -0.5e+3 , 0 , -0 , 1E-2 , \"a\" , true , false , null , {} , [ [ ] ] ] \n")
                                    << true << false;
        QTest::newRow("nested") << QByteArray(
            "{\"a\":{\"b\":[1,{\"c\":\"\\u00e9\\ud83d\\ude00\"}]}}")
                                << true << false;
        QTest::newRow("escapes") << QByteArray("[\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"]") << true << false;
        QTest::newRow("byte order mark") << QByteArray("\xEF\xBB\xBF[]") << true << false;
        QTest::newRow("raw utf-8")
            << QByteArray("[\"Z\xC3\xBCrich \xF0\x9F\x98\x80\"]") << true << false;

        QTest::newRow("nothing") << QByteArray() << false << false;
        QTest::newRow("whitespace only") << QByteArray(" \n") << false << false;
        QTest::newRow("trailing comma") << QByteArray("[1,]") << false << false;
        QTest::newRow("leading comma") << QByteArray("[,1]") << false << false;
        QTest::newRow("missing comma") << QByteArray("[1 2]") << false << false;
        QTest::newRow("leading zero") << QByteArray("[01]") << false << false;
        QTest::newRow("bare point") << QByteArray("[1.]") << false << true;
        QTest::newRow("no integer part") << QByteArray("[.5]") << false << true;
        QTest::newRow("lone minus") << QByteArray("[-]") << false << false;
        QTest::newRow("empty exponent") << QByteArray("[1e]") << false << false;
        QTest::newRow("plus sign") << QByteArray("[+1]") << false << false;
        QTest::newRow("NaN") << QByteArray("[NaN]") << false << false;
        QTest::newRow("raw control character") << QByteArray("[\"a\x01\"]") << false << true;
        QTest::newRow("raw newline") << QByteArray("[\"a\nb\"]") << false << true;
        QTest::newRow("unknown escape") << QByteArray("[\"\\x\"]") << false << true;
        QTest::newRow("short unicode escape") << QByteArray("[\"\\u12\"]") << false << false;
        QTest::newRow("bad unicode escape") << QByteArray("[\"\\u12G4\"]") << false << false;
        QTest::newRow("unterminated string") << QByteArray("[\"abc]") << false << false;
        QTest::newRow("backslash at the end") << QByteArray("[\"abc\\") << false << false;
        QTest::newRow("single quotes") << QByteArray("['a']") << false << false;
        QTest::newRow("truncated literal") << QByteArray("[tru]") << false << false;
        QTest::newRow("wrong literal") << QByteArray("[nil]") << false << false;
        QTest::newRow("missing colon") << QByteArray("{\"a\" 1}") << false << false;
        QTest::newRow("trailing comma in object") << QByteArray("{\"a\":1,}") << false << false;
        QTest::newRow("unquoted key") << QByteArray("{a:1}") << false << false;
        QTest::newRow("number key") << QByteArray("{1:1}") << false << false;
        QTest::newRow("unclosed array") << QByteArray("[1") << false << false;
        QTest::newRow("unclosed object") << QByteArray("{\"a\":1") << false << false;
        QTest::newRow("mismatched brackets") << QByteArray("[}") << false << false;
        QTest::newRow("garbage after") << QByteArray("[1] x") << false << false;
        QTest::newRow("two documents") << QByteArray("[1][2]") << false << false;
        QTest::newRow("invalid utf-8") << QByteArray("[\"\xC3\x28\"]") << false << false;
        QTest::newRow("overlong utf-8") << QByteArray("[\"\xC0\xAF\"]") << false << false;
        QTest::newRow("truncated utf-8") << QByteArray("[\"\xE2\x82\"]") << false << false;
    }

    void grammar()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, valid);
        QFETCH(bool, qtLenient);
        QCOMPARE(readsWhole(json), valid);
        QJsonParseError error;
        QJsonDocument::fromJson(json, &error);
        QCOMPARE(error.error == QJsonParseError::NoError, valid || qtLenient);
    }

    void depthIsLimited()
    {
        const int deep = 100000;
        QCOMPARE(readsWhole(QByteArray(deep, '[') + QByteArray(deep, ']')), false);
        QCOMPARE(readsWhole(QByteArray(400, '[') + QByteArray(400, ']')), true);
    }

    void strings_data()
    {
        QTest::addColumn<QByteArray>("literal");
        QTest::addColumn<QString>("text");

        QTest::newRow("plain") << QByteArray("\"abc\"") << u"abc"_s;
        QTest::newRow("empty") << QByteArray("\"\"") << QString();
        QTest::newRow("escapes") << QByteArray("\"a\\\"b\\\\c\\/d\\be\\ff\\ng\\rh\\ti\"")
                                 << u"a\"b\\c/d\be\ff\ng\rh\ti"_s;
        QTest::newRow("unicode escapes")
            << QByteArray("\"\\u00e9\\u00C9\\u20ac\\u0000\"") << QString(u"éÉ€"_s + QChar(0));
        QTest::newRow("surrogate pair escape") << QByteArray("\"\\ud83d\\ude00!\"") << u"😀!"_s;
        QTest::newRow("raw utf-8 around escapes")
            << QByteArray("\"\xC3\xBC\\n\xF0\x9F\x98\x80\\t\"") << u"ü\n😀\t"_s;
        QTest::newRow("lone surrogate escape") << QByteArray("\"a\\ud83dx\"") << u"a\ufffdx"_s;
        QTest::newRow("high surrogate then other escape")
            << QByteArray("\"\\ud83d\\u0041\"") << u"\ufffdA"_s;
    }

    void strings()
    {
        QFETCH(QByteArray, literal);
        QFETCH(QString, text);

        JsonReader reader('[' + literal + ',' + literal + ']');
        QVERIFY(reader.beginArray());
        QVERIFY(reader.nextElement());
        QCOMPARE(reader.peek(), JsonReader::Type::String);
        QCOMPARE(reader.readString(), std::optional(text));
        QVERIFY(reader.nextElement());
        const auto bytes = reader.readStringBytes();
        QVERIFY(bytes);
        QCOMPARE(QString::fromUtf8(*bytes), text);
        QVERIFY(!reader.nextElement());
        QVERIFY(reader.atEnd());
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("literal");
        QTest::newRow("zero") << QByteArray("0");
        QTest::newRow("negative zero") << QByteArray("-0");
        QTest::newRow("whole") << QByteArray("786000100");
        QTest::newRow("fraction") << QByteArray("737640000.123");
        QTest::newRow("microseconds") << QByteArray("737640000.123456");
        QTest::newRow("exponent") << QByteArray("-1.5E+3");
        QTest::newRow("small") << QByteArray("1e-7");
        QTest::newRow("many digits") << QByteArray("0.30000000000000004");
    }

    void numbers()
    {
        QFETCH(QByteArray, literal);
        JsonReader reader('[' + literal + ']');
        QVERIFY(reader.beginArray());
        QVERIFY(reader.nextElement());
        QCOMPARE(reader.peek(), JsonReader::Type::Number);
        const auto number = reader.readNumber();
        QVERIFY(number);
        QCOMPARE(*number, QJsonDocument::fromJson('[' + literal + ']').array().at(0).toDouble());
        QVERIFY(!reader.nextElement());
        QVERIFY(reader.atEnd());
    }

    void objects()
    {
        JsonReader reader(
            "{\"id\":1, \"\\u0069d2\" : \"x\", \"nested\":{\"a\":[{}]}, \"last\":true}");
        QVERIFY(reader.beginObject());
        QByteArrayView key;
        QStringList keys;
        while (reader.nextMember(key)) {
            keys.append(QString::fromUtf8(key));
            if (key == "last")
                QCOMPARE(reader.readBool(), std::optional(true));
            else
                QVERIFY(reader.skipValue());
        }
        QVERIFY(reader.atEnd());
        QCOMPARE(keys, (QStringList{u"id"_s, u"id2"_s, u"nested"_s, u"last"_s}));
    }

    void wrongTypeFails()
    {
        JsonReader reader("[\"text\", 1]");
        QVERIFY(reader.beginArray());
        QVERIFY(reader.nextElement());
        QVERIFY(!reader.readNumber());
        QVERIFY(reader.failed());
        // Failure sticks: nothing reads any more.
        QVERIFY(!reader.nextElement());
        QVERIFY(!reader.readString());
        QVERIFY(!reader.atEnd());
    }
};

QTEST_GUILESS_MAIN(TestJsonReader)
#include "tst_jsonreader.moc"
