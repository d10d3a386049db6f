#include "base/jsonwriter.h"

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

void JsonWriter::appendString(QByteArray &out, QStringView text, LoneSurrogate lone)
{
    const qsizetype size = out.size();
    out.resize(size + text.size() * 6 + 2);
    char *const end = writeString(out.data() + size, text, lone);
    out.truncate(end - out.constData());
}

char *JsonWriter::writeString(char *out, QStringView text, LoneSurrogate lone)
{
    static constexpr char hex[] = "0123456789abcdef";
    const auto writeEscaped = [&out](char16_t unit) {
        *out++ = '\\';
        *out++ = 'u';
        *out++ = hex[unit >> 12];
        *out++ = hex[(unit >> 8) & 0xf];
        *out++ = hex[(unit >> 4) & 0xf];
        *out++ = hex[unit & 0xf];
    };
    *out++ = '"';
    const char16_t *it = text.utf16();
    const char16_t *const end = it + text.size();
    while (it != end) {
        const char16_t c = *it++;
        if (c >= 0x20 && c < 0x80) {
            if (c == u'"' || c == u'\\')
                *out++ = '\\';
            *out++ = char(c);
        } else if (c < 0x20) {
            switch (c) {
            case u'\n':
                *out++ = '\\';
                *out++ = 'n';
                break;
            case u'\r':
                *out++ = '\\';
                *out++ = 'r';
                break;
            case u'\t':
                *out++ = '\\';
                *out++ = 't';
                break;
            case u'\b':
                *out++ = '\\';
                *out++ = 'b';
                break;
            case u'\f':
                *out++ = '\\';
                *out++ = 'f';
                break;
            default:
                writeEscaped(c);
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
        } else if (QChar::isSurrogate(c) && lone == LoneSurrogate::Escape) {
            writeEscaped(c);
        } else {
            const char16_t unit = QChar::isSurrogate(c) ? char16_t(0xfffd) : c;
            *out++ = char(0xe0 | (unit >> 12));
            *out++ = char(0x80 | ((unit >> 6) & 0x3f));
            *out++ = char(0x80 | (unit & 0x3f));
        }
    }
    *out++ = '"';
    return out;
}

void JsonWriter::value(QStringView text)
{
    separate();
    // Worst case: every UTF-16 unit becomes \u00XX (6 bytes); 3 bytes cover any other unit.
    char *const begin = reserve(text.size() * 6 + 2);
    m_size += writeString(begin, text, LoneSurrogate::Replace) - begin;
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

void JsonWriter::key(QStringView name)
{
    separate();
    char *const begin = reserve(name.size() * 6 + 3);
    char *out = writeString(begin, name, LoneSurrogate::Replace);
    *out++ = ':';
    m_size += out - begin;
    m_needsComma = false;
}

void JsonWriter::rawValue(QByteArrayView json)
{
    separate();
    append(json.data(), json.size());
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
