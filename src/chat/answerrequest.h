#pragma once

#include "attachments/attachment.h"
#include "chat/chatmessage.h"
#include "chat/settingskeys.h"
#include "llm/localllmmessage.h"
#include "search/searchmode.h"
#include "search/searchresult.h"

#include <QList>
#include <QString>
#include <QUuid>

// What an answer works from, taken when the question is sent: later changes to the
// settings or the conversation do not reach an answer already under way. (The model
// server's address is the exception; AnswerPipeline reads it when the model is asked.)
struct AnswerRequest
{
    QUuid sessionId;
    // The question, trimmed.
    QString text;
    // The whole conversation, the question included.
    QList<ChatMessage> history;
    QString systemPrompt;
    WebSearchMode searchMode = WebSearchMode::Never;
    // How many characters of attached documents each question carries.
    qsizetype attachmentTextLimit = 0;

    // What the model gets: the system prompt, the web results as a second system message
    // when there are any, then every turn of the conversation. Earlier failure texts and
    // empty answers go along as assistant turns: they are part of what the user saw.
    // A question's attachments go with it each time: images beside its text, documents
    // inside it.
    QList<LocalLLMMessage> modelMessages(const QList<SearchResult> &results) const;
};

// A question as the model gets it: the text of its documents inside it, `textLimit`
// characters at most, and its images beside it as data: URLs.
LocalLLMMessage questionMessage(const QString &text, const QList<Attachment> &attachments,
                                qsizetype textLimit);
