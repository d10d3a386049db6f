#include "llm/thoughtsplitter.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr QStringView openTag = u"<think>";
constexpr QStringView closeTag = u"</think>";

qsizetype skipBlanks(QStringView text, qsizetype at)
{
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at;
}

// How many characters at the end of `text` could begin `tag` (never all of it).
qsizetype partialTagAtEnd(QStringView text, QStringView tag)
{
    const qsizetype longest = std::min(text.size(), tag.size() - 1);
    for (qsizetype length = longest; length > 0; --length) {
        if (tag.startsWith(text.last(length)))
            return length;
    }
    return 0;
}

} // namespace

ThoughtSplitter::Output ThoughtSplitter::takeTagged(const QString &piece)
{
    Output out;
    const QString text = std::exchange(m_held, {}).append(piece);
    qsizetype at = 0;
    while (at < text.size()) {
        const QStringView rest = QStringView(text).sliced(at);
        switch (m_state) {
        case State::start: {
            const qsizetype begin = skipBlanks(text, at);
            const QStringView word = QStringView(text).sliced(begin);
            if (word.startsWith(openTag)) {
                m_state = State::thought;
                at = begin + openTag.size();
            } else if (openTag.startsWith(word)) {
                // Blanks only, or the tag's beginning: the next piece tells.
                m_held = rest.toString();
                return out;
            } else {
                // The blanks belong to the answer, as they always have.
                m_state = State::answer;
            }
            break;
        }
        case State::thought:
        case State::answer: {
            const qsizetype close = rest.indexOf(closeTag);
            QString &into = m_state == State::thought ? out.thought : out.answer;
            if (m_state == State::answer) {
                // An answer that opens the tag itself (about HTML, or code that prints it)
                // closes its own tag, not a thought.
                const qsizetype open = rest.indexOf(openTag);
                if (open != -1 && (close == -1 || open < close)) {
                    m_state = State::plain;
                    break;
                }
            }
            if (close == -1) {
                qsizetype held = partialTagAtEnd(rest, closeTag);
                if (m_state == State::answer)
                    held = std::max(held, partialTagAtEnd(rest, openTag));
                into += rest.first(rest.size() - held);
                m_held = rest.last(held).toString();
                return out;
            }
            into += rest.first(close);
            if (m_state == State::answer) {
                out.answerWasThought = true;
                out.thought = std::exchange(out.answer, {});
            }
            m_state = State::afterThought;
            at += close + closeTag.size();
            break;
        }
        case State::afterThought:
            at = skipBlanks(text, at);
            if (at < text.size())
                m_state = State::plain;
            break;
        case State::plain:
            out.answer += rest;
            return out;
        }
    }
    return out;
}

ThoughtSplitter::Output ThoughtSplitter::finish()
{
    Output out;
    QString held = std::exchange(m_held, {});
    if (m_state == State::thought)
        out.thought = std::move(held);
    else if (m_state != State::afterThought)
        out.answer = std::move(held);
    return out;
}

ThoughtSplitter::Parts ThoughtSplitter::split(QStringView text)
{
    ThoughtSplitter splitter;
    Parts parts;
    for (const Output &out : {splitter.take(text.toString()), splitter.finish()}) {
        if (out.answerWasThought)
            parts.thought += std::exchange(parts.answer, {});
        parts.thought += out.thought;
        parts.answer += out.answer;
    }
    return parts;
}
