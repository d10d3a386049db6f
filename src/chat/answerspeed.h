#pragma once

#include "chat/chatmessage.h"
#include "llm/streamevent.h"

#include <QString>

#include <optional>

// How long and how fast an answer was, from what the server said of it or, failing that,
// from what was seen arriving; and the one line that tells it under the answer and after
// `velm ask --stats`.
namespace AnswerSpeed {

// `pieces`: the streamed pieces counted; the times in seconds from the request to the first
// piece and to the end. The server's count beats the pieces, its speed the clock's.
AnswerStats measure(const StreamUsage &usage, int pieces, double firstPieceSeconds,
                    double endSeconds);

// A model's id as the chip and the caption show it: the part after the last "/".
QString shortModelName(const QString &id);

// "qwen3-8b · 412 tokens · 38.5 tok/s · 0.6 s to first token", each part left out when not
// known; "≈ 412 tokens" when counted from the pieces.
QString caption(const QString &model, const std::optional<AnswerStats> &stats);

} // namespace AnswerSpeed
