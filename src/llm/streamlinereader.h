#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Cuts a response body that arrives in arbitrary reads into lines, handing each line on as
// soon as its terminator has arrived. Lines end in "\n", "\r\n" or "\r"; a "\r" that ends
// one read and a "\n" that starts the next are one terminator. Works on bytes, so a UTF-8
// character split between reads is whole again in its line.
//
//     reader.append(reply->readAll());
//     while (const auto line = reader.nextLine())
//         handle(*line);
//     …
//     if (const auto last = reader.finish()) // at the end of the body
//         handle(*last);
class StreamLineReader
{
public:
    void append(QByteArrayView data);

    // The next complete line without its terminator, or nothing when the buffered data
    // holds no complete line. The view is valid until the next call of append().
    std::optional<QByteArrayView> nextLine();

    // Call once the body has ended: the last line when it had no terminator. Any lines
    // still complete must have been taken with nextLine() first.
    std::optional<QByteArrayView> finish();

    // Bytes held back as part of a line that is not complete yet.
    qsizetype pendingSize() const { return m_buffer.size() - m_lineStart; }

private:
    QByteArray m_buffer;
    qsizetype m_lineStart = 0; // start of the line not yet handed on
    qsizetype m_scanFrom = 0; // everything before holds no terminator of that line
    bool m_skipNewline = false; // the last line ended in "\r": a "\n" next belongs to it
    qsizetype m_newlineAt = -1; // the next "\n" at or after m_scanFrom, -1 if not known
    qsizetype m_newlineSearchedTo = 0; // no "\n" from m_scanFrom up to here
};
