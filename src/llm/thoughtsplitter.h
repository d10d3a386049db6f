#pragma once

#include <QString>
#include <QStringView>

// Tells a model's thought from its answer in answer text, for servers that leave the
// reasoning in the text: `<think>` at the very start (after blanks) opens a thought that
// `</think>` ends, and blanks after the close do not start the answer. A server whose chat
// template opened the thought itself sends only the close: until then the text reads as the
// answer, and the close turns all of it into the thought. `<think>` anywhere later is answer
// text, like any other, and so is a `</think>` after it; a thought that never closes stays a
// thought.
//
// Fed piece by piece as the answer streams, the tags may be cut anywhere: what could be the
// beginning of a tag is held back until the next piece (or `finish`) tells.
class ThoughtSplitter
{
public:
    // What one piece adds, applied in this order.
    struct Output
    {
        // Everything given out as answer so far (this piece's included) is thought: move it
        // to the thought's end.
        bool answerWasThought = false;
        QString thought;
        QString answer;
    };

    // A piece that cannot hold a tag passes through as it is, moved rather than copied: this
    // runs for every piece of every answer.
    Output take(QString piece)
    {
        Output out;
        if (m_state == State::plain
            || (m_held.isEmpty() && (m_state == State::answer || m_state == State::thought)
                && !piece.contains(u'<')))
            (m_state == State::thought ? out.thought : out.answer) = std::move(piece);
        else
            out = takeTagged(piece);
        return out;
    }
    // The stream ended: what was held back goes where it stood.
    Output finish();

    // A whole text at once (a completion that was not streamed).
    struct Parts
    {
        QString thought;
        QString answer;
    };
    static Parts split(QStringView text);

private:
    Output takeTagged(const QString &piece);

    enum class State {
        start, // only blanks so far
        thought, // inside <think>
        afterThought, // blanks after </think>
        answer, // answer text that a lone </think> may still turn into thought
        plain, // answer text, for good
    };

    State m_state = State::start;
    // Blanks at the start, or the end of the text that may be the beginning of a tag.
    QString m_held;
};
