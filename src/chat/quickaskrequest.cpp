#include "chat/quickaskrequest.h"

#include "chat/answerrequest.h"
#include "chat/systemprompt.h"
#include "search/searchcontext.h"

using namespace Qt::StringLiterals;

QList<LocalLLMMessage> QuickAskRequest::messages() const
{
    QList<LocalLLMMessage> list;
    list.reserve(conversationContext.size() + 3);
    list.append(
        {u"system"_s, quickAskSystemPrompt(systemPrompt, userName, activePromptSuggestions)});
    if (const std::optional<QString> context
        = quickAskSearchContext(WebSearch::formatSearchContext(searchResults)))
        list.append({u"system"_s, *context});
    list.append(conversationContext);
    list.append(questionMessage(question.trimmed(), attachments, attachmentTextLimit));
    return list;
}
