#pragma once

#include "attachments/attachment.h"
#include "attachments/documentattachment.h"
#include "llm/localllmmessage.h"
#include "search/searchresult.h"

#include <QList>
#include <QString>

// The messages the Quick Ask bar (and `velm ask`, its terminal twin) sends for one question.
// It asks for terse answers and leaves the main window's history out: only the pairs the user
// kept with "Follow up" travel along. Filled in by the caller from the current settings and
// the finished web search, so that it stays free of both.
struct QuickAskRequest
{
    // The stored "systemPrompt", untrimmed: only an empty one selects the bar's own base text.
    QString systemPrompt;
    QString userName; // "userName"
    QString activePromptSuggestions; // "activePromptSuggestions"
    // The hits of the web search for this question; none when it did not search or found
    // nothing.
    QList<SearchResult> searchResults;
    // Earlier question and answer pairs, sent unchanged between the system messages and the
    // question.
    QList<LocalLLMMessage> conversationContext;
    // As typed; it is sent trimmed of whitespace and line breaks.
    QString question;
    // Files attached to the question: documents go into its text, images beside it.
    QList<Attachment> attachments;
    // How many characters of the attached documents go along.
    qsizetype attachmentTextLimit = DocumentAttachment::defaultMaxCharacters;

    // The system prompt with the bar's conciseness rule, a second system message with the
    // search results when there are any, the kept context, then the question as the user's
    // message, with its attachments.
    QList<LocalLLMMessage> messages() const;
};
