#include "llm/streamlinereader.h"

#include <algorithm>
#include <cstring>

void StreamLineReader::append(QByteArrayView data)
{
    if (data.isEmpty())
        return;
    // Drop what has been handed on; usually only the start of one line is left to move.
    if (m_lineStart > 0) {
        m_buffer.remove(0, m_lineStart);
        m_scanFrom -= m_lineStart;
        m_newlineSearchedTo = std::max<qsizetype>(m_newlineSearchedTo - m_lineStart, 0);
        if (m_newlineAt >= 0)
            m_newlineAt -= m_lineStart;
        m_lineStart = 0;
    }
    m_buffer.append(data.data(), data.size());
}

std::optional<QByteArrayView> StreamLineReader::nextLine()
{
    const char *data = m_buffer.constData();
    const qsizetype size = m_buffer.size();
    if (m_skipNewline) {
        if (m_lineStart == size)
            return std::nullopt;
        if (data[m_lineStart] == '\n')
            ++m_lineStart;
        m_skipNewline = false;
        m_scanFrom = std::max(m_scanFrom, m_lineStart);
    }

    // memchr rather than a loop over the bytes: this runs over every byte of every answer.
    // Where the next "\n" is, is remembered, so that a body that only uses "\r" does not
    // search the rest of the buffer again for each line.
    if (m_newlineAt < m_scanFrom) {
        const qsizetype from = std::max(m_scanFrom, m_newlineSearchedTo);
        const void *hit = std::memchr(data + from, '\n', size - from);
        m_newlineAt = hit ? static_cast<const char *>(hit) - data : -1;
        m_newlineSearchedTo = hit ? m_newlineAt : size;
    }
    const qsizetype limit = m_newlineAt >= 0 ? m_newlineAt : size;
    const void *carriageReturn = std::memchr(data + m_scanFrom, '\r', limit - m_scanFrom);
    const qsizetype end = carriageReturn ? static_cast<const char *>(carriageReturn) - data : limit;
    if (end == size) {
        m_scanFrom = size;
        return std::nullopt;
    }

    const QByteArrayView line(data + m_lineStart, end - m_lineStart);
    qsizetype next = end + 1;
    if (data[end] == '\r') {
        if (next < size) {
            if (data[next] == '\n')
                ++next;
        } else {
            // The "\n" of a "\r\n" may still be on its way.
            m_skipNewline = true;
        }
    }
    m_lineStart = next;
    m_scanFrom = next;
    return line;
}

std::optional<QByteArrayView> StreamLineReader::finish()
{
    if (m_skipNewline && m_lineStart < m_buffer.size() && m_buffer.at(m_lineStart) == '\n')
        ++m_lineStart;
    m_skipNewline = false;
    if (m_lineStart >= m_buffer.size())
        return std::nullopt;
    const QByteArrayView line(m_buffer.constData() + m_lineStart, m_buffer.size() - m_lineStart);
    m_lineStart = m_buffer.size();
    m_scanFrom = m_lineStart;
    return line;
}
