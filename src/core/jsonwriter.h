#pragma once

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringView>

// Writes compact JSON straight into UTF-8 bytes. Several times faster than building a
// QJsonDocument first and serialising it, which matters for the whole-list saves of the
// chat store. The caller keeps the nesting right; the writer places commas and escapes text.
class JsonWriter
{
public:
    explicit JsonWriter(qsizetype expectedSize = 0);

    void beginArray();
    void endArray();
    void beginObject();
    void endObject();
    // The next member of the current object; its value follows.
    void key(QLatin1StringView name);

    void value(QStringView text);
    void value(double number);
    void value(bool flag);

    // The document written so far; the writer is empty afterwards.
    QByteArray take();

private:
    void separate();
    // Room for at least `bytes` more bytes at data() + m_size.
    char *reserve(qsizetype bytes);
    void append(char c);
    void append(const char *text, qsizetype length);

    QByteArray m_buffer;
    qsizetype m_size = 0;
    bool m_needsComma = false;
};
