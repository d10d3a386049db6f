#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Reads JSON from UTF-8 bytes one value at a time, straight into the caller's records,
// without building a document first; the chat list loads several times faster than through
// QJsonDocument. It accepts exactly the JSON grammar (RFC 8259): anything else, invalid
// UTF-8 included, makes the reader fail, and a failed reader stays failed.
//
//     reader.beginArray();
//     while (reader.nextElement()) { … read one value … }
//     QByteArrayView key;
//     reader.beginObject();
//     while (reader.nextMember(key)) { … read or skipValue() … }
//     bool ok = reader.atEnd(); // also false when anything failed
class JsonReader
{
public:
    enum class Type { Null, Bool, Number, String, Array, Object, Invalid };

    explicit JsonReader(QByteArrayView json);

    // The type of the next value, without consuming it.
    Type peek();

    bool beginArray();
    // Whether another element follows in the current array; consumes the closing bracket.
    bool nextElement();
    bool beginObject();
    // Reads the next member's name and colon; false (and the closing brace consumed) when
    // the object has no more members. `key` stays valid until the next call.
    bool nextMember(QByteArrayView &key);

    std::optional<QString> readString();
    // A string as UTF-8 with its escapes resolved, valid until the next call; for short
    // strings that are compared rather than kept.
    std::optional<QByteArrayView> readStringBytes();
    std::optional<double> readNumber();
    std::optional<bool> readBool();
    bool readNull();
    // Reads and validates one value of any type, and drops it.
    bool skipValue();

    // True when the whole input was one value followed only by whitespace, and nothing failed.
    bool atEnd();
    bool failed() const { return m_failed; }

private:
    bool fail();
    void skipWhitespace();
    bool consume(char c);
    // The raw bytes of a string up to its closing quote; `escaped` tells whether they hold
    // escapes. The quote is consumed.
    std::optional<QByteArrayView> rawString(bool &escaped);
    // The UTF-8 text of a string's raw bytes with its escapes resolved.
    static bool unescape(QByteArrayView raw, QByteArray &out);
    bool skipNumber();
    bool skipLiteral(QByteArrayView literal);

    const char *m_pos;
    const char *m_end;
    bool m_failed = false;
    // Set by beginArray/beginObject until the first element or member was asked for.
    bool m_first = false;
    int m_depth = 0;
    QByteArray m_keyBuffer;
    QByteArray m_scratch;
};
