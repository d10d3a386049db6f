#include "base/jsonreader.h"
#include "support/testregistry.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Reads a whole document value by value; true when it was valid and nothing else.
bool readsWhole(const QByteArray &json, JsonReader::Syntax syntax)
{
    JsonReader reader(json, syntax);
    return reader.skipValue() && reader.atEnd();
}

bool qtReads(const QByteArray &json)
{
    QJsonParseError error;
    QJsonDocument::fromJson(json, &error);
    return error.error == QJsonParseError::NoError;
}

// The value that comes next, built with the reader, to hold against QJsonDocument's.
std::optional<QJsonValue> toJsonValue(JsonReader &reader)
{
    switch (reader.peek()) {
    case JsonReader::Type::Null:
        return reader.readNull() ? std::optional(QJsonValue(QJsonValue::Null)) : std::nullopt;
    case JsonReader::Type::Bool: {
        const auto flag = reader.readBool();
        return flag ? std::optional(QJsonValue(*flag)) : std::nullopt;
    }
    case JsonReader::Type::Number: {
        const auto number = reader.readNumber();
        return number ? std::optional(QJsonValue(*number)) : std::nullopt;
    }
    case JsonReader::Type::String: {
        const auto text = reader.readString();
        return text ? std::optional(QJsonValue(*text)) : std::nullopt;
    }
    case JsonReader::Type::Array: {
        QJsonArray array;
        if (!reader.beginArray())
            return std::nullopt;
        while (reader.nextElement()) {
            const auto element = toJsonValue(reader);
            if (!element)
                return std::nullopt;
            array.append(*element);
        }
        return reader.failed() ? std::nullopt : std::optional(QJsonValue(array));
    }
    case JsonReader::Type::Object: {
        QJsonObject object;
        if (!reader.beginObject())
            return std::nullopt;
        QByteArrayView key;
        while (reader.nextMember(key)) {
            const QString name = QString::fromUtf8(key);
            const auto member = toJsonValue(reader);
            if (!member)
                return std::nullopt;
            object.insert(name, *member);
        }
        return reader.failed() ? std::nullopt : std::optional(QJsonValue(object));
    }
    case JsonReader::Type::Invalid:
        break;
    }
    return std::nullopt;
}

QByteArray nested(int depth)
{
    return QByteArray(depth, '[') + QByteArray(depth, ']');
}

} // namespace

class TestJsonReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Strict is the JSON grammar; Lenient is whatever QJsonDocument takes.
    void grammar_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("strict");
        QTest::addColumn<bool>("lenient");

        QTest::newRow("every type")
            << " [ 1 , -0.5e+3 , 0 , -0 , 1E-2 , \"a\" , true , false , null , {} , [ [ ] ] ] \n"_ba
            << true << true;
        QTest::newRow("nested") << "{\"a\":{\"b\":[1,{\"c\":\"\\u00e9\\ud83d\\ude00\"}]}}"_ba
                                << true << true;
        QTest::newRow("byte order mark") << "\xEF\xBB\xBF[]"_ba << true << true;
        QTest::newRow("raw utf-8") << "[\"Z\xC3\xBCrich \xF0\x9F\x98\x80\"]"_ba << true << true;

        QTest::newRow("nothing") << QByteArray() << false << false;
        QTest::newRow("whitespace only") << " \n"_ba << false << false;
        QTest::newRow("trailing comma") << "[1,]"_ba << false << false;
        QTest::newRow("missing comma") << "[1 2]"_ba << false << false;
        QTest::newRow("missing colon") << "{\"a\" 1}"_ba << false << false;
        QTest::newRow("unquoted key") << "{a:1}"_ba << false << false;
        QTest::newRow("unclosed array") << "[1"_ba << false << false;
        QTest::newRow("mismatched brackets") << "[}"_ba << false << false;
        QTest::newRow("garbage after") << "[1] x"_ba << false << false;

        QTest::newRow("leading zero") << "[01]"_ba << false << false;
        QTest::newRow("bare point") << "[1.]"_ba << false << true;
        QTest::newRow("no integer part") << "[-.5]"_ba << false << true;
        QTest::newRow("point alone") << "[.]"_ba << false << false;
        QTest::newRow("minus and point") << "[-.]"_ba << false << false;
        QTest::newRow("lone minus") << "[-]"_ba << false << false;
        QTest::newRow("empty exponent") << "[1e+]"_ba << false << false;
        QTest::newRow("exponent after a bare point") << "[1.e]"_ba << false << false;
        QTest::newRow("plus sign") << "[+1]"_ba << false << false;
        QTest::newRow("NaN") << "[NaN]"_ba << false << false;
        QTest::newRow("truncated literal") << "[tru]"_ba << false << false;

        QTest::newRow("raw control character") << "[\"a\x01\"]"_ba << false << true;
        QTest::newRow("raw tab in a key") << "{\"a\tb\":1}"_ba << false << true;
        QTest::newRow("unknown escape") << "[\"\\x\"]"_ba << false << true;
        QTest::newRow("escaped control character") << "[\"\\\x01\"]"_ba << false << true;
        // The escape takes the first byte of "é", which leaves a stray continuation byte.
        QTest::newRow("escaped non-ASCII") << "[\"\\\xC3\xA9\"]"_ba << false << false;
        // So it takes any byte after a backslash, even one that is not UTF-8 at all; the
        // rest of such a document is then checked string by string.
        QTest::newRow("escaped continuation byte") << "[\"\\\x83\"]"_ba << false << true;
        QTest::newRow("escaped invalid byte") << "[\"\\\xFF\"]"_ba << false << true;
        QTest::newRow("escaped lead byte alone") << "[\"\\\xC3x\"]"_ba << false << true;
        QTest::newRow("escaped byte, invalid utf-8 elsewhere")
            << "[\"\\\x83\", \"\xC3\x28\"]"_ba << false << false;
        QTest::newRow("escaped byte, invalid utf-8 in a key")
            << "[\"\\\x83\", {\"\xC3\":1}]"_ba << false << false;
        QTest::newRow("escaped byte, valid utf-8 elsewhere")
            << "[\"\\\x83\", {\"\xC3\xA9\":\"\xF0\x9F\x98\x80\"}]"_ba << false << true;
        QTest::newRow("bad unicode escape") << "[\"\\u12G4\"]"_ba << false << false;
        QTest::newRow("unterminated string") << "[\"abc]"_ba << false << false;
        QTest::newRow("backslash at the end") << "[\"abc\\"_ba << false << false;
        QTest::newRow("single quotes") << "['a']"_ba << false << false;

        QTest::newRow("invalid utf-8") << "[\"\xC3\x28\"]"_ba << false << false;
        QTest::newRow("overlong utf-8") << "[\"\xC0\xAF\"]"_ba << false << false;
        QTest::newRow("truncated utf-8") << "[\"\xE2\x82\"]"_ba << false << false;
        QTest::newRow("utf-8 surrogate") << "[\"\xED\xA0\x80\"]"_ba << false << false;
        QTest::newRow("above U+10FFFF") << "[\"\xF4\x90\x80\x80\"]"_ba << false << false;
        QTest::newRow("invalid utf-8 in a key") << "{\"\xFF\":1}"_ba << false << false;

        QTest::newRow("deepest") << nested(1024) << true << true;
        QTest::newRow("too deep") << nested(1025) << false << false;
        QTest::newRow("too deep inside an object")
            << "{\"a\":" + nested(1024) + "}" << false << false;
    }

    void grammar()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, strict);
        QFETCH(bool, lenient);
        QCOMPARE(readsWhole(json, JsonReader::Strict), strict);
        QCOMPARE(readsWhole(json, JsonReader::Lenient), lenient);
        QCOMPARE(qtReads(json), lenient);
    }

    // Lenient against QJsonDocument, value for value, on every truncation and many
    // corruptions of a document that has a bit of everything; Strict reads a part of that.
    void agreesWithQJsonDocument()
    {
        const QByteArray document
            = "{\"a\":[0,-1.5e+2,10,true,false,null,{}],"
              "\"s\":\"x\\\"\\\\\\/\\b\\f\\n\\r\\t\\u00e9\\ud83d\\ude00\","
              "\"Z\xC3\xBC\":\"\xE2\x82\xAC\xF0\x9F\x98\x80 ok\",\"a\":\"again\"}";
        const QByteArrayList replacements{"\"", "\\", "{",    "}",    "[",    "]",    ",",
                                          ":",  "0",  "-",    ".",    "e",    "u",    "x",
                                          " ",  "\t", "\x01", "\x83", "\xC3", "\xFF", ""};
        QByteArrayList inputs;
        for (qsizetype size = 0; size <= document.size(); ++size)
            inputs.append(document.left(size));
        for (qsizetype at = 0; at < document.size(); ++at) {
            for (const QByteArray &replacement : replacements)
                inputs.append(QByteArray(document).replace(at, 1, replacement));
        }
        int accepted = 0;
        for (const QByteArray &json : std::as_const(inputs)) {
            const QJsonDocument expected = QJsonDocument::fromJson(json);
            JsonReader lenient(json, JsonReader::Lenient);
            const auto value = toJsonValue(lenient);
            const bool read = value && lenient.atEnd();
            const QJsonValue expectedValue
                = expected.isArray() ? QJsonValue(expected.array()) : QJsonValue(expected.object());
            if (read != !expected.isNull() || (read && *value != expectedValue)) {
                qWarning() << "input:" << json;
                QFAIL("Lenient does not agree with QJsonDocument");
            }
            JsonReader strict(json, JsonReader::Strict);
            if (toJsonValue(strict) && strict.atEnd() && !read) {
                qWarning() << "input:" << json;
                QFAIL("Strict reads what Lenient does not");
            }
            accepted += read;
        }
        QVERIFY(accepted > 300);
    }

    void hostileDepthFails()
    {
        for (const auto syntax : {JsonReader::Strict, JsonReader::Lenient})
            QCOMPARE(readsWhole(nested(100000), syntax), false);
    }

    // A string read as a value, as UTF-8 and as a member name.
    void strings_data()
    {
        QTest::addColumn<QByteArray>("literal");
        QTest::addColumn<QString>("text");
        // Strict differs from Lenient only in refusing a string or in what a lone
        // surrogate becomes.
        QTest::addColumn<bool>("strictReads");
        QTest::addColumn<QString>("strictText");

        const auto same = [](const char *name, const QByteArray &literal, const QString &text) {
            QTest::newRow(name) << literal << text << true << text;
        };
        same("plain", "\"abc\"", u"abc"_s);
        same("empty", "\"\"", u""_s);
        same("escapes", "\"a\\\"b\\\\c\\/d\\be\\ff\\ng\\rh\\ti\"", u"a\"b\\c/d\be\ff\ng\rh\ti"_s);
        same("unicode escapes", "\"\\u00e9\\u00C9\\u20ac\\u0000\"", QString(u"éÉ€"_s + QChar(0)));
        same("surrogate pair escape", "\"\\ud83d\\ude00!\"", u"😀!"_s);
        same("raw utf-8 around escapes", "\"\xC3\xBC\\n\xF0\x9F\x98\x80\\t\"", u"ü\n😀\t"_s);
        same("byte order mark after an escape", "\"\\n\xEF\xBB\xBFx\"", u"\n\ufeffx"_s);
        same("long run between escapes", "\"" + QByteArray(5000, 'a') + "\\n\xC3\xA9\"",
             QString(5000, u'a') + u"\né"_s);

        QTest::newRow("lone surrogate escape")
            << "\"a\\ud83dx\""_ba << QString(u"a"_s + QChar(0xd83d) + u"x"_s) << true
            << u"a\ufffdx"_s;
        QTest::newRow("high surrogate then other escape")
            << "\"\\ud83d\\u0041\""_ba << QString(QChar(0xd83d) + u"A"_s) << true << u"\ufffdA"_s;
        QTest::newRow("low surrogate first")
            << "\"\\ude00\\ud83d\""_ba << QString(QChar(0xde00) + QString(QChar(0xd83d))) << true
            << u"\ufffd\ufffd"_s;
        QTest::newRow("high surrogate escape before a raw pair")
            << "\"\\ud83d\xF0\x9F\x98\x80\""_ba << QString(QChar(0xd83d) + u"😀"_s) << true
            << u"\ufffd😀"_s;
        QTest::newRow("unknown escape") << "\"\\q\\'\""_ba << u"q'"_s << false << QString();
        QTest::newRow("escaped bytes that are not UTF-8")
            << "\"\\\x83\xC3\xA9\\\xFF\""_ba << u"\u0083\u00e9\u00ff"_s << false << QString();
        QTest::newRow("raw control characters")
            << "\"a\tb\x01\""_ba << u"a\tb\u0001"_s << false << QString();
    }

    void strings()
    {
        QFETCH(QByteArray, literal);
        QFETCH(QString, text);
        QFETCH(bool, strictReads);
        QFETCH(QString, strictText);

        const QByteArray json = '[' + literal + ',' + literal + ",{" + literal + ":0}]";
        for (const auto syntax : {JsonReader::Strict, JsonReader::Lenient}) {
            const bool strict = syntax == JsonReader::Strict;
            const QString expected = strict ? strictText : text;
            if (strict && !strictReads) {
                QVERIFY(!readsWhole(json, syntax));
                continue;
            }
            JsonReader reader(json, syntax);
            QVERIFY(reader.beginArray());
            QVERIFY(reader.nextElement());
            QCOMPARE(reader.peek(), JsonReader::Type::String);
            QCOMPARE(reader.readString(), std::optional(expected));
            QVERIFY(reader.nextElement());
            const auto bytes = reader.readStringBytes();
            QVERIFY(bytes);
            QCOMPARE(bytes->toByteArray(), expected.toUtf8());
            QVERIFY(reader.nextElement());
            QVERIFY(reader.beginObject());
            QByteArrayView key;
            QVERIFY(reader.nextMember(key));
            QCOMPARE(key.toByteArray(), expected.toUtf8());
            QCOMPARE(reader.readNumber(), std::optional(0.0));
            QVERIFY(!reader.nextMember(key));
            QVERIFY(!reader.nextElement());
            QVERIFY(reader.atEnd());
        }
        // What QJsonDocument makes of it is what Lenient gives.
        QCOMPARE(QJsonDocument::fromJson('[' + literal + ']').array().at(0).toString(), text);
    }

    // QJsonDocument drops it from the start of a string without escapes, which changes the
    // text; here it is a character like any other.
    void byteOrderMarkStartingAString()
    {
        for (const auto syntax : {JsonReader::Strict, JsonReader::Lenient}) {
            JsonReader reader("[\"\xEF\xBB\xBFx\",\"\xEF\xBB\xBF\"]", syntax);
            QVERIFY(reader.beginArray());
            QVERIFY(reader.nextElement());
            QCOMPARE(reader.readString(), std::optional(u"\ufeffx"_s));
            QVERIFY(reader.nextElement());
            QCOMPARE(reader.readString(), std::optional(u"\ufeff"_s));
            QVERIFY(!reader.nextElement());
            QVERIFY(reader.atEnd());
        }
    }

    void numbers_data()
    {
        QTest::addColumn<QByteArray>("literal");
        QTest::addColumn<bool>("strict");

        QTest::newRow("negative zero") << "-0"_ba << true;
        QTest::newRow("microseconds") << "737640000.123456"_ba << true;
        QTest::newRow("exponent") << "-1.5E+3"_ba << true;
        QTest::newRow("many digits") << "0.30000000000000004"_ba << true;
        QTest::newRow("bare point") << "12."_ba << false;
        QTest::newRow("no integer part, negative") << "-.25e2"_ba << false;
    }

    void numbers()
    {
        QFETCH(QByteArray, literal);
        QFETCH(bool, strict);
        const QByteArray json = '[' + literal + ']';
        const double expected = QJsonDocument::fromJson(json).array().at(0).toDouble(-1);
        for (const auto syntax : {JsonReader::Strict, JsonReader::Lenient}) {
            JsonReader reader(json, syntax);
            QVERIFY(reader.beginArray());
            QVERIFY(reader.nextElement());
            if (syntax == JsonReader::Strict && !strict) {
                QVERIFY(!reader.readNumber());
                QVERIFY(reader.failed());
                continue;
            }
            QCOMPARE(reader.peek(), JsonReader::Type::Number);
            QCOMPARE(reader.readNumber(), std::optional(expected));
            QVERIFY(!reader.nextElement());
            QVERIFY(reader.atEnd());
        }
    }

    // Only checked for form when skipped; QJsonDocument refuses the whole document.
    void numberOutOfRange()
    {
        const QByteArray json = "[1e999]";
        QVERIFY(!qtReads(json));
        for (const auto syntax : {JsonReader::Strict, JsonReader::Lenient}) {
            QVERIFY(readsWhole(json, syntax));
            JsonReader reader(json, syntax);
            QVERIFY(reader.beginArray());
            QVERIFY(reader.nextElement());
            QVERIFY(!reader.readNumber());
            QVERIFY(reader.failed());
        }
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

VELM_TEST_MAIN(TestJsonReader)
#include "tst_jsonreader.moc"
