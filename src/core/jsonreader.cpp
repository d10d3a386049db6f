#include "core/jsonreader.h"

#include <charconv>

namespace {

// Deeper than any stored record; guards the recursion of skipValue() against hostile input.
constexpr int maxDepth = 512;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The code unit of the four hex digits at `p`, or -1.
int hex4(const char *p)
{
    int value = 0;
    for (int i = 0; i < 4; ++i) {
        const int digit = hexValue(p[i]);
        if (digit < 0)
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xc0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3f)));
    } else if (c < 0x10000) {
        out.append(char(0xe0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3f)));
        out.append(char(0x80 | (c & 0x3f)));
    } else {
        out.append(char(0xf0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3f)));
        out.append(char(0x80 | ((c >> 6) & 0x3f)));
        out.append(char(0x80 | (c & 0x3f)));
    }
}

} // namespace

JsonReader::JsonReader(QByteArrayView json)
    : m_pos(json.data())
    , m_end(json.data() + json.size())
{
    // Checked once for the whole input, so that strings can be converted piece by piece.
    if (!json.isValidUtf8())
        fail();
    // A byte order mark is tolerated, as QJsonDocument does.
    if (m_end - m_pos >= 3 && QByteArrayView(m_pos, 3) == "\xEF\xBB\xBF")
        m_pos += 3;
}

bool JsonReader::fail()
{
    m_failed = true;
    m_pos = m_end;
    return false;
}

void JsonReader::skipWhitespace()
{
    while (m_pos != m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
        ++m_pos;
}

bool JsonReader::consume(char c)
{
    skipWhitespace();
    if (m_pos == m_end || *m_pos != c)
        return false;
    ++m_pos;
    return true;
}

JsonReader::Type JsonReader::peek()
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
    default:
        return *m_pos == '-' || isDigit(*m_pos) ? Type::Number : Type::Invalid;
    }
}

bool JsonReader::beginArray()
{
    if (m_failed || ++m_depth > maxDepth || !consume('['))
        return fail();
    m_first = true;
    return true;
}

bool JsonReader::nextElement()
{
    if (m_failed)
        return false;
    const bool first = std::exchange(m_first, false);
    if (consume(']')) {
        --m_depth;
        return false;
    }
    if (!first && !consume(','))
        return fail();
    return true;
}

bool JsonReader::beginObject()
{
    if (m_failed || ++m_depth > maxDepth || !consume('{'))
        return fail();
    m_first = true;
    return true;
}

bool JsonReader::nextMember(QByteArrayView &key)
{
    if (m_failed)
        return false;
    const bool first = std::exchange(m_first, false);
    if (consume('}')) {
        --m_depth;
        return false;
    }
    if ((!first && !consume(',')) || !consume('"'))
        return fail();
    --m_pos; // rawString() expects to stand on the opening quote
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw)
        return false;
    if (escaped) {
        if (!unescape(*raw, m_keyBuffer))
            return fail();
        key = m_keyBuffer;
    } else {
        key = *raw;
    }
    if (!consume(':'))
        return fail();
    return true;
}

std::optional<QByteArrayView> JsonReader::rawString(bool &escaped)
{
    if (!consume('"')) {
        fail();
        return std::nullopt;
    }
    const char *const start = m_pos;
    escaped = false;
    while (m_pos != m_end) {
        const char c = *m_pos;
        if (c == '"') {
            const QByteArrayView raw(start, m_pos - start);
            ++m_pos;
            return raw;
        }
        if (c == '\\') {
            escaped = true;
            // The escaped character is never the closing quote; its validity is checked
            // when the string is unescaped.
            if (++m_pos == m_end)
                break;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            break; // control characters must be escaped
        }
        ++m_pos;
    }
    fail();
    return std::nullopt;
}

bool JsonReader::unescape(QByteArrayView raw, QByteArray &out)
{
    out.clear();
    out.reserve(raw.size());
    const char *p = raw.data();
    const char *const end = p + raw.size();
    while (p != end) {
        const char *run = p;
        while (p != end && *p != '\\')
            ++p;
        out.append(run, p - run);
        if (p == end)
            break;
        ++p; // the backslash; rawString() made sure a character follows
        switch (*p++) {
        case '"':
            out.append('"');
            break;
        case '\\':
            out.append('\\');
            break;
        case '/':
            out.append('/');
            break;
        case 'b':
            out.append('\b');
            break;
        case 'f':
            out.append('\f');
            break;
        case 'n':
            out.append('\n');
            break;
        case 'r':
            out.append('\r');
            break;
        case 't':
            out.append('\t');
            break;
        case 'u': {
            int unit = end - p >= 4 ? hex4(p) : -1;
            if (unit < 0)
                return false;
            p += 4;
            char32_t codePoint = char32_t(unit);
            if (QChar::isHighSurrogate(codePoint) && end - p >= 6 && p[0] == '\\' && p[1] == 'u') {
                const int low = hex4(p + 2);
                if (low >= 0 && QChar::isLowSurrogate(char32_t(low))) {
                    codePoint = QChar::surrogateToUcs4(char16_t(unit), char16_t(low));
                    p += 6;
                }
            }
            // A lone surrogate has no UTF-8 form; it reads as U+FFFD, as in Qt's conversions.
            if (QChar::isSurrogate(codePoint))
                codePoint = 0xfffd;
            appendUtf8(out, codePoint);
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

std::optional<QString> JsonReader::readString()
{
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw)
        return std::nullopt;
    if (!escaped)
        return QString::fromUtf8(*raw);
    if (!unescape(*raw, m_scratch)) {
        fail();
        return std::nullopt;
    }
    return QString::fromUtf8(m_scratch);
}

std::optional<QByteArrayView> JsonReader::readStringBytes()
{
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw || !escaped)
        return raw;
    if (!unescape(*raw, m_scratch)) {
        fail();
        return std::nullopt;
    }
    return QByteArrayView(m_scratch);
}

bool JsonReader::skipNumber()
{
    skipWhitespace();
    const char *p = m_pos;
    if (p != m_end && *p == '-')
        ++p;
    if (p == m_end)
        return fail();
    if (*p == '0') {
        ++p;
    } else if (isDigit(*p)) {
        while (p != m_end && isDigit(*p))
            ++p;
    } else {
        return fail();
    }
    if (p != m_end && *p == '.') {
        ++p;
        if (p == m_end || !isDigit(*p))
            return fail();
        while (p != m_end && isDigit(*p))
            ++p;
    }
    if (p != m_end && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != m_end && (*p == '+' || *p == '-'))
            ++p;
        if (p == m_end || !isDigit(*p))
            return fail();
        while (p != m_end && isDigit(*p))
            ++p;
    }
    m_pos = p;
    return true;
}

std::optional<double> JsonReader::readNumber()
{
    skipWhitespace();
    const char *const start = m_pos;
    if (m_failed || !skipNumber())
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(start, m_pos, value);
    // Out of range: like QJsonDocument, a number too large for a double is not accepted.
    if (error != std::errc() || end != m_pos) {
        fail();
        return std::nullopt;
    }
    return value;
}

bool JsonReader::skipLiteral(QByteArrayView literal)
{
    skipWhitespace();
    if (m_end - m_pos < literal.size() || QByteArrayView(m_pos, literal.size()) != literal)
        return fail();
    m_pos += literal.size();
    return true;
}

std::optional<bool> JsonReader::readBool()
{
    switch (peek()) {
    case Type::Bool:
        if (*m_pos == 't')
            return skipLiteral("true") ? std::optional(true) : std::nullopt;
        return skipLiteral("false") ? std::optional(false) : std::nullopt;
    default:
        fail();
        return std::nullopt;
    }
}

bool JsonReader::readNull()
{
    return peek() == Type::Null ? skipLiteral("null") : fail();
}

bool JsonReader::skipValue()
{
    switch (peek()) {
    case Type::Null:
        return readNull();
    case Type::Bool:
        return readBool().has_value();
    case Type::Number:
        return skipNumber();
    case Type::String: {
        bool escaped = false;
        const auto raw = rawString(escaped);
        return raw && (!escaped || unescape(*raw, m_scratch) || fail());
    }
    case Type::Array:
        if (!beginArray())
            return false;
        while (nextElement()) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    case Type::Object: {
        if (!beginObject())
            return false;
        QByteArrayView key;
        while (nextMember(key)) {
            if (!skipValue())
                return false;
        }
        return !m_failed;
    }
    case Type::Invalid:
        break;
    }
    return fail();
}

bool JsonReader::atEnd()
{
    skipWhitespace();
    return !m_failed && m_pos == m_end && m_depth == 0;
}
