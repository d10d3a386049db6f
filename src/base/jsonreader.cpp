#include "base/jsonreader.h"

#include <QStringDecoder>

#include <bit>
#include <charconv>
#include <cstring>

namespace {

// As deep as QJsonDocument goes, and far deeper than any record; guards the recursion of
// skipValue() against hostile input.
constexpr int maxDepth = 1024;

// The first byte in [p, end) that a string cannot simply pass over: a quote, a backslash,
// a control character (for Strict, which refuses them) or a byte above ASCII (for Lenient,
// which checks its UTF-8 as it goes). Eight bytes at a time where that is simple: strings
// are most of what is read.
template<JsonReader::Syntax syntax>
const char *findStringStop(const char *p, const char *end)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr quint64 ones = 0x0101010101010101;
        constexpr quint64 highs = 0x8080808080808080;
        while (end - p >= 8) {
            quint64 bytes;
            memcpy(&bytes, p, 8);
            // (x - ones) & ~x has the high bit of the lowest zero byte of x set, and none
            // below it; so the lowest bit found over all tests marks the first stop.
            const quint64 quotes = bytes ^ (ones * '"');
            const quint64 backslashes = bytes ^ (ones * '\\');
            quint64 found = ((quotes - ones) & ~quotes) | ((backslashes - ones) & ~backslashes);
            if constexpr (syntax == JsonReader::Strict)
                found = (found | ((bytes - ones * 0x20) & ~bytes)) & highs;
            else
                found = (found & highs) | (bytes & highs);
            if (found)
                return p + std::countr_zero(found) / 8;
            p += 8;
        }
    }
    for (; p != end; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c == '"' || c == '\\' || (syntax == JsonReader::Strict ? c < 0x20 : c >= 0x80))
            break;
    }
    return p;
}

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

// The length of the well-formed UTF-8 sequence at `p` (no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0.
qsizetype utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char lead = p[0];
    qsizetype length;
    unsigned char low = 0x80, high = 0xBF; // the allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length || p[1] < low || p[1] > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

} // namespace

JsonReader::JsonReader(QByteArrayView json, Syntax syntax)
    : m_pos(json.data())
    , m_end(json.data() + json.size())
    , m_lenient(syntax == Lenient)
{
    // Strictly the whole input must be UTF-8: checking it at once is faster on long texts
    // than checking each character in passing, and outside strings any byte above ASCII is
    // a syntax error anyway. Lenient checks strings as they come instead, because
    // QJsonDocument takes any byte after a backslash as a character, a stray UTF-8
    // continuation byte too.
    if (!m_lenient && !json.isValidUtf8())
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
    if (!first && !consume(','))
        return fail();
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw)
        return false;
    key = bytes(*raw, escaped, m_keyBuffer);
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
    const char *p = m_pos;
    escaped = false;
    for (;;) {
        p = m_lenient ? findStringStop<Lenient>(p, m_end) : findStringStop<Strict>(p, m_end);
        if (p == m_end || *p == '"')
            break;
        if (static_cast<unsigned char>(*p) >= 0x80) { // when lenient
            const qsizetype length
                = utf8SequenceLength(reinterpret_cast<const unsigned char *>(p),
                                     reinterpret_cast<const unsigned char *>(m_end));
            if (length == 0)
                break;
            p += length;
            continue;
        }
        if (*p != '\\') // a control character, when strict
            break;
        escaped = true;
        if (m_end - p < 2)
            break;
        switch (p[1]) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
            p += 2;
            continue;
        case 'u':
            if (m_end - p < 6 || hex4(p + 2) < 0)
                break;
            p += 6;
            continue;
        default:
            // QJsonDocument takes the escaped byte as a character, even when it is part of
            // a UTF-8 sequence; the bytes after it are then checked on their own.
            if (!m_lenient)
                break;
            p += 2;
            continue;
        }
        break;
    }
    if (p == m_end || *p != '"') {
        fail();
        return std::nullopt;
    }
    m_pos = p + 1;
    return QByteArrayView(start, p - start);
}

QString JsonReader::text(QByteArrayView raw, bool escaped) const
{
    // QString::fromUtf8() drops a byte order mark at the start; in a string it is text like
    // any other.
    if (!escaped && !raw.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(raw);
    // Every byte and every escape gives at most one UTF-16 unit.
    QString text(raw.size(), Qt::Uninitialized);
    QChar *out = text.data();
    // Pieces between escapes are whole characters, so no state is carried from one to the
    // next.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    bool surrogates = false;
    const char *p = raw.data();
    const char *const end = p + raw.size();
    while (p != end) {
        const char *run = p;
        const void *backslash = escaped ? memchr(p, '\\', size_t(end - p)) : nullptr;
        p = backslash ? static_cast<const char *>(backslash) : end;
        if (p != run)
            out = utf8.appendToBuffer(out, QByteArrayView(run, p - run));
        if (p == end)
            break;
        // rawString() checked the escape.
        char16_t unit;
        switch (p[1]) {
        case 'b':
            unit = u'\b';
            break;
        case 'f':
            unit = u'\f';
            break;
        case 'n':
            unit = u'\n';
            break;
        case 'r':
            unit = u'\r';
            break;
        case 't':
            unit = u'\t';
            break;
        case 'u':
            unit = char16_t(hex4(p + 2));
            surrogates = surrogates || QChar::isSurrogate(unit);
            p += 4;
            break;
        default: // '"', '\\', '/' and, when lenient, any other ASCII character
            unit = char16_t(static_cast<unsigned char>(p[1]));
            break;
        }
        *out++ = QChar(unit);
        p += 2;
    }
    text.truncate(out - text.constData());
    // Escaped surrogates pair up only with each other, since raw characters arrive as
    // whole pairs. A lone one has no UTF-8 form: strictly it reads as U+FFFD, as Qt's
    // conversions and the writer make it; QJsonDocument keeps it.
    if (surrogates && !m_lenient) {
        char16_t *units = reinterpret_cast<char16_t *>(text.data());
        const qsizetype size = text.size();
        for (qsizetype i = 0; i < size; ++i) {
            if (QChar::isHighSurrogate(units[i]) && i + 1 < size
                && QChar::isLowSurrogate(units[i + 1]))
                ++i;
            else if (QChar::isSurrogate(units[i]))
                units[i] = 0xfffd;
        }
    }
    return text;
}

QByteArrayView JsonReader::unescapedBytes(QByteArrayView raw, QByteArray &buffer) const
{
    buffer = text(raw, true).toUtf8();
    return buffer;
}

std::optional<QString> JsonReader::readString()
{
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw)
        return std::nullopt;
    return text(*raw, escaped);
}

std::optional<QByteArrayView> JsonReader::readStringBytes()
{
    bool escaped = false;
    const auto raw = rawString(escaped);
    if (!raw)
        return std::nullopt;
    return bytes(*raw, escaped, m_scratch);
}

bool JsonReader::skipNumber()
{
    skipWhitespace();
    const char *p = m_pos;
    if (p != m_end && *p == '-')
        ++p;
    int digits = 0;
    if (p != m_end && *p == '0') {
        ++p;
        ++digits;
    } else {
        for (; p != m_end && isDigit(*p); ++p)
            ++digits;
    }
    // Strictly there are digits before the point and after it; QJsonDocument is content
    // with digits on one side.
    if (!m_lenient && digits == 0)
        return fail();
    if (p != m_end && *p == '.') {
        ++p;
        if (!m_lenient && (p == m_end || !isDigit(*p)))
            return fail();
        for (; p != m_end && isDigit(*p); ++p)
            ++digits;
    }
    if (digits == 0)
        return fail();
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
        return rawString(escaped).has_value();
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

std::optional<QByteArrayView> JsonReader::readRawValue()
{
    skipWhitespace();
    const char *start = m_pos;
    if (!skipValue())
        return std::nullopt;
    return QByteArrayView(start, m_pos - start);
}

bool JsonReader::atEnd()
{
    skipWhitespace();
    return !m_failed && m_pos == m_end && m_depth == 0;
}
