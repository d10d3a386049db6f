#include "core/jsonwriter.h"

#include <QLocale>

#include <cmath>

JsonWriter::JsonWriter(qsizetype expectedSize)
{
    m_buffer.resize(qMax<qsizetype>(expectedSize, 256));
}

void JsonWriter::beginArray()
{
    separate();
    append('[');
    m_needsComma = false;
}

void JsonWriter::endArray()
{
    append(']');
    m_needsComma = true;
}

void JsonWriter::beginObject()
{
    separate();
    append('{');
    m_needsComma = false;
}

void JsonWriter::endObject()
{
    append('}');
    m_needsComma = true;
}

void JsonWriter::key(QLatin1StringView name)
{
    // Key names are the codec's own constants: plain ASCII that needs no escaping.
    separate();
    append('"');
    append(name.data(), name.size());
    append("\":", 2);
    m_needsComma = false;
}

void JsonWriter::value(QStringView text)
{
    separate();
    // Worst case: every UTF-16 unit becomes \u00XX (6 bytes); 3 bytes cover any other unit.
    char *out = reserve(text.size() * 6 + 2);
    char *const begin = out;
    *out++ = '"';
    const char16_t *it = text.utf16();
    const char16_t *const end = it + text.size();
    static constexpr char hex[] = "0123456789abcdef";
    while (it != end) {
        const char16_t c = *it++;
        if (c >= 0x20 && c < 0x80) {
            if (c == u'"' || c == u'\\')
                *out++ = '\\';
            *out++ = char(c);
        } else if (c < 0x20) {
            *out++ = '\\';
            switch (c) {
            case u'\n':
                *out++ = 'n';
                break;
            case u'\r':
                *out++ = 'r';
                break;
            case u'\t':
                *out++ = 't';
                break;
            case u'\b':
                *out++ = 'b';
                break;
            case u'\f':
                *out++ = 'f';
                break;
            default:
                *out++ = 'u';
                *out++ = '0';
                *out++ = '0';
                *out++ = hex[c >> 4];
                *out++ = hex[c & 0xf];
            }
        } else if (c < 0x800) {
            *out++ = char(0xc0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3f));
        } else if (QChar::isHighSurrogate(c) && it != end && QChar::isLowSurrogate(*it)) {
            const char32_t u = QChar::surrogateToUcs4(c, *it++);
            *out++ = char(0xf0 | (u >> 18));
            *out++ = char(0x80 | ((u >> 12) & 0x3f));
            *out++ = char(0x80 | ((u >> 6) & 0x3f));
            *out++ = char(0x80 | (u & 0x3f));
        } else {
            // A lone surrogate has no UTF-8 form; it is written as U+FFFD, as Qt's own
            // conversions do.
            const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xfffd) : c;
            *out++ = char(0xe0 | (unit >> 12));
            *out++ = char(0x80 | ((unit >> 6) & 0x3f));
            *out++ = char(0x80 | (unit & 0x3f));
        }
    }
    *out++ = '"';
    m_size += out - begin;
    m_needsComma = true;
}

void JsonWriter::value(double number)
{
    separate();
    // Whole numbers without a fraction or exponent, like QJsonDocument writes them; others
    // in the shortest form that reads back as the same double.
    QByteArray text;
    if (std::isfinite(number) && number == std::trunc(number)
        && std::fabs(number) < 9007199254740992.0)
        text = QByteArray::number(qint64(number));
    else if (std::isfinite(number))
        text = QByteArray::number(number, 'g', QLocale::FloatingPointShortest);
    else
        text = QByteArrayLiteral("null");
    append(text.constData(), text.size());
    m_needsComma = true;
}

void JsonWriter::value(bool flag)
{
    separate();
    if (flag)
        append("true", 4);
    else
        append("false", 5);
    m_needsComma = true;
}

QByteArray JsonWriter::take()
{
    m_buffer.truncate(m_size);
    m_size = 0;
    m_needsComma = false;
    return std::exchange(m_buffer, QByteArray());
}

void JsonWriter::separate()
{
    if (m_needsComma)
        append(',');
}

char *JsonWriter::reserve(qsizetype bytes)
{
    if (m_size + bytes > m_buffer.size())
        m_buffer.resize(qMax(m_buffer.size() * 2, m_size + bytes));
    return m_buffer.data() + m_size;
}

void JsonWriter::append(char c)
{
    *reserve(1) = c;
    ++m_size;
}

void JsonWriter::append(const char *text, qsizetype length)
{
    memcpy(reserve(length), text, size_t(length));
    m_size += length;
}
