#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Reads JSON from UTF-8 bytes one value at a time, straight into the caller's records,
// without building a document first: the chat list loads several times faster than through
// QJsonDocument, and a streamed chunk is decoded without building the ids, timestamps and
// fingerprints that nobody looks at. A failed reader stays failed.
//
//     reader.beginArray();
//     while (reader.nextElement()) { … read one value … }
//     QByteArrayView key;
//     reader.beginObject();
//     while (reader.nextMember(key)) { … read or skipValue() … }
//     bool ok = reader.atEnd(); // also false when anything failed
//
// Strict reads exactly the JSON grammar (RFC 8259): anything else, invalid UTF-8 included,
// fails. It is for our own files, where anything off means damage.
//
// Lenient reads what QJsonDocument reads, as it reads it, so that text from a server that
// the obvious decoder would have shown is never dropped: raw control characters in strings,
// any byte after a backslash taken as the character itself, "1." and ".5", and a lone
// surrogate escape kept as it is (Strict gives U+FFFD, as the writer does).
//
// Both differ from QJsonDocument in two ways: numbers that are only skipped are checked
// for their form but not converted, so one out of range, like 1e999, does not fail the
// whole document; and a byte order mark that starts a string is kept as the character it
// is, not dropped.
class JsonReader
{
public:
    enum Syntax { Strict, Lenient };
    enum class Type { Null, Bool, Number, String, Array, Object, Invalid };

    explicit JsonReader(QByteArrayView json, Syntax syntax = Strict);

    // The type of the next value, without consuming it.
    Type peek()
    {
        skipWhitespace();
        if (m_failed || m_pos == m_end)
            return Type::Invalid;
        switch (*m_pos) {
        case 'n':
            return Type::Null;
        case 't':
        case 'f':
            return Type::Bool;
        case '"':
            return Type::String;
        case '[':
            return Type::Array;
        case '{':
            return Type::Object;
        case '-':
        case '0':
        case '1':
        case '2':
        case '3':
        case '4':
        case '5':
        case '6':
        case '7':
        case '8':
        case '9':
            return Type::Number;
        case '.':
            return m_lenient ? Type::Number : Type::Invalid;
        default:
            return Type::Invalid;
        }
    }

    bool beginArray();
    // Whether another element follows in the current array; consumes the closing bracket.
    bool nextElement();
    bool beginObject();
    // Reads the next member's name and colon; false (and the closing brace consumed) when
    // the object has no more members. `key` is UTF-8 and stays valid until the next call.
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
    // Reads and validates one value of any type, and gives its text exactly as it stands in
    // the input (valid as long as the input is): for values that are kept without being
    // understood, to be written back unchanged.
    std::optional<QByteArrayView> readRawValue();

    // True when the whole input was one value followed only by whitespace, and nothing failed.
    bool atEnd();
    bool failed() const { return m_failed; }

private:
    bool fail();
    void skipWhitespace()
    {
        while (m_pos != m_end
               && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
            ++m_pos;
    }
    bool consume(char c)
    {
        skipWhitespace();
        if (m_pos == m_end || *m_pos != c)
            return false;
        ++m_pos;
        return true;
    }
    // The raw bytes of a string up to its closing quote, its escapes checked; `escaped`
    // tells whether there are any. The quotes are consumed.
    std::optional<QByteArrayView> rawString(bool &escaped);
    // The text of a string's raw bytes with its escapes resolved.
    QString text(QByteArrayView raw, bool escaped) const;
    // The UTF-8 form of a string's raw bytes, in `buffer` when they hold escapes.
    QByteArrayView bytes(QByteArrayView raw, bool escaped, QByteArray &buffer) const
    {
        return escaped ? unescapedBytes(raw, buffer) : raw;
    }
    QByteArrayView unescapedBytes(QByteArrayView raw, QByteArray &buffer) const;
    bool skipNumber();
    bool skipLiteral(QByteArrayView literal);

    const char *m_pos;
    const char *m_end;
    bool m_lenient;
    bool m_failed = false;
    // Set by beginArray/beginObject until the first element or member was asked for.
    bool m_first = false;
    int m_depth = 0;
    QByteArray m_keyBuffer;
    QByteArray m_scratch;
};
