#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>

// Writes compact JSON straight into UTF-8 bytes. Several times faster than building a
// QJsonDocument first and serialising it, which matters for the whole-list saves of the
// chat store. The caller keeps the nesting right; the writer places commas and escapes text.
//
// The one place where velm turns text into a JSON string: only what JSON requires is
// escaped ('"', '\\' and control characters); "/" and everything beyond ASCII are written
// as they are, in UTF-8.
class JsonWriter
{
public:
    // A lone half of a surrogate pair has no UTF-8 form. The store replaces it with U+FFFD,
    // as Qt's own conversions do; the export file escapes it ("\ud83d") so that it survives
    // a round trip through other tools.
    enum class LoneSurrogate { Replace, Escape };

    explicit JsonWriter(qsizetype expectedSize = 0);

    // Appends `text` to `out` as a quoted JSON string.
    static void appendString(QByteArray &out, QStringView text,
                             LoneSurrogate lone = LoneSurrogate::Replace);

    void beginArray();
    void endArray();
    void beginObject();
    void endObject();
    // The next member of the current object; its value follows.
    void key(QLatin1StringView name);
    // A member whose name is not one of the writer's own constants.
    void key(QStringView name);

    void value(QStringView text);
    void value(double number);
    void value(bool flag);
    // A value that is already JSON text (read with JsonReader::readRawValue), written as it is.
    void rawValue(QByteArrayView json);

    // The document written so far; the writer is empty afterwards.
    QByteArray take();

private:
    // Writes `text` quoted at `out`, which has room for text.size() * 6 + 2 bytes; returns
    // the end of what was written.
    static char *writeString(char *out, QStringView text, LoneSurrogate lone);

    void separate();
    // Room for at least `bytes` more bytes at data() + m_size.
    char *reserve(qsizetype bytes);
    void append(char c);
    void append(const char *text, qsizetype length);

    QByteArray m_buffer;
    qsizetype m_size = 0;
    bool m_needsComma = false;
};
