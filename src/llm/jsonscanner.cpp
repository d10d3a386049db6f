#include "llm/jsonscanner.h"

namespace {

constexpr int nestingLimit = 1024;

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

// The length of the well-formed UTF-8 sequence at `p` (no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0.
qsizetype utf8SequenceLength(const unsigned char *p, const unsigned char *end)
{
    const unsigned char lead = p[0];
    qsizetype length;
    unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
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

bool JsonScanner::readString(QString *out)
{
    if (!consume('"'))
        return false;
    const auto *data = reinterpret_cast<const unsigned char *>(m_text.data());
    const unsigned char *end = data + m_text.size();
    const unsigned char *p = data + m_pos;
    const unsigned char *runStart = p; // raw bytes not yet copied to `out`
    if (out)
        out->clear();
    const auto flushRun = [&](const unsigned char *runEnd) {
        if (out && runEnd > runStart)
            out->append(
                QString::fromUtf8(reinterpret_cast<const char *>(runStart), runEnd - runStart));
    };
    while (p < end) {
        const unsigned char c = *p;
        if (c == '"') {
            flushRun(p);
            m_pos = p + 1 - data;
            return true;
        }
        if (c < 0x80 && c != '\\') {
            ++p;
            continue;
        }
        if (c >= 0x80) {
            const qsizetype length = utf8SequenceLength(p, end);
            if (length == 0)
                return false;
            p += length;
            continue;
        }
        // An escape.
        flushRun(p);
        if (end - p < 2)
            return false;
        char16_t unit;
        switch (p[1]) {
        case '"':
            unit = u'"';
            break;
        case '\\':
            unit = u'\\';
            break;
        case '/':
            unit = u'/';
            break;
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
        case 'u': {
            if (end - p < 6)
                return false;
            int value = 0;
            for (int i = 2; i < 6; ++i) {
                const int digit = hexValue(char(p[i]));
                if (digit < 0)
                    return false;
                value = value * 16 + digit;
            }
            unit = char16_t(value);
            p += 4;
            break;
        }
        default:
            // Not a JSON escape: taken as the character itself, as QJsonDocument does.
            unit = char16_t(p[1]);
            break;
        }
        if (out)
            out->append(QChar(unit));
        p += 2;
        runStart = p;
    }
    return false;
}

bool JsonScanner::readKey(QByteArrayView *key)
{
    if (peek() != '"')
        return false;
    // Names are nearly always plain ASCII: then the input itself is the name.
    const qsizetype start = m_pos + 1;
    qsizetype end = start;
    while (end < m_text.size()) {
        const auto c = static_cast<unsigned char>(m_text[end]);
        if (c == '"' || c == '\\' || c >= 0x80)
            break;
        ++end;
    }
    if (end < m_text.size() && m_text[end] == '"') {
        *key = m_text.sliced(start, end - start);
        m_pos = end + 1;
        return consume(':');
    }
    QString decoded;
    if (!readString(&decoded))
        return false;
    m_decodedKey = decoded.toUtf8();
    *key = m_decodedKey;
    return consume(':');
}

bool JsonScanner::skipValue(int depth)
{
    switch (peek()) {
    case '"':
        return readString(nullptr);
    case '{':
        if (depth >= nestingLimit)
            return false;
        return forEachMember([&](QByteArrayView) { return skipValue(depth + 1); });
    case '[':
        if (depth >= nestingLimit)
            return false;
        consume('[');
        if (consume(']'))
            return true;
        do {
            if (!skipValue(depth + 1))
                return false;
        } while (consume(','));
        return consume(']');
    case 't':
        return skipLiteral("true");
    case 'f':
        return skipLiteral("false");
    case 'n':
        return skipLiteral("null");
    default:
        return skipNumber();
    }
}

bool JsonScanner::skipLiteral(QByteArrayView literal)
{
    if (!m_text.sliced(m_pos).startsWith(literal))
        return false;
    m_pos += literal.size();
    return true;
}

bool JsonScanner::skipNumber()
{
    // As lenient as QJsonDocument: digits may be missing on one side of the point ("1.",
    // ".5"), but not on both, nor after the exponent.
    const qsizetype size = m_text.size();
    qsizetype p = m_pos;
    if (p < size && m_text[p] == '-')
        ++p;
    qsizetype digits = 0;
    if (p < size && m_text[p] == '0') {
        ++p;
        ++digits;
    } else {
        for (; p < size && isDigit(m_text[p]); ++p)
            ++digits;
    }
    if (p < size && m_text[p] == '.') {
        for (++p; p < size && isDigit(m_text[p]); ++p)
            ++digits;
    }
    if (digits == 0)
        return false;
    if (p < size && (m_text[p] == 'e' || m_text[p] == 'E')) {
        ++p;
        if (p < size && (m_text[p] == '+' || m_text[p] == '-'))
            ++p;
        if (p >= size || !isDigit(m_text[p]))
            return false;
        while (p < size && isDigit(m_text[p]))
            ++p;
    }
    m_pos = p;
    return true;
}
