#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// A validating JSON reader that walks a document in place without building it: the caller
// steps into the members it wants and skips the rest. Decoding a streamed chunk this way
// is several times faster than QJsonDocument, which builds every member of every chunk
// (ids, timestamps, fingerprints) only for the decoder to look at one string.
//
// Input is UTF-8. It accepts what QJsonDocument accepts, so that a piece that the obvious
// decoder would show is never dropped: valid JSON (RFC 8259) plus Qt's leniencies (raw
// control characters and unknown escapes in strings, "1." and ".5"; numbers are checked for
// their form but not converted, so one out of range, like 1e999, does not reject the line
// as it would there). Anything else,
// including invalid UTF-8 and nesting deeper than 1024, makes the reading functions return
// false.
class JsonScanner
{
public:
    explicit JsonScanner(QByteArrayView text)
        : m_text(text)
    { }

    // The next significant character after blanks, without consuming it; 0 at the end.
    char peek()
    {
        skipBlanks();
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    // Consumes `c` (after blanks) if it is next.
    bool consume(char c)
    {
        skipBlanks();
        if (m_pos >= m_text.size() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    // Whether only blanks are left.
    bool atEnd()
    {
        skipBlanks();
        return m_pos == m_text.size();
    }

    // Reads a string; decodes it into `out` when given.
    bool readString(QString *out);
    // Reads a member name and the colon after it; `key` is the name as UTF-8, valid until
    // the next call (names with escapes are decoded into a buffer of the scanner's own).
    bool readKey(QByteArrayView *key);
    // Validates and skips one value of any kind.
    bool skipValue() { return skipValue(0); }

    // Walks the members of the object that comes next: `member(key)` must read or skip the
    // member's value (returning false on a fault). False when the input is not an object.
    template<typename Member>
    bool forEachMember(Member member)
    {
        if (!consume('{'))
            return false;
        if (consume('}'))
            return true;
        QByteArrayView key;
        do {
            if (!readKey(&key) || !member(key))
                return false;
        } while (consume(','));
        return consume('}');
    }

private:
    bool skipValue(int depth);
    bool skipNumber();
    bool skipLiteral(QByteArrayView literal);
    void skipBlanks()
    {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c != ' ' && c != '\n' && c != '\r' && c != '\t')
                return;
            ++m_pos;
        }
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
    QByteArray m_decodedKey;
};
