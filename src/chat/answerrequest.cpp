#include "chat/answerrequest.h"

#include "chat/systemprompt.h"
#include "search/searchcontext.h"

using namespace Qt::StringLiterals;

QList<LocalLLMMessage> AnswerRequest::modelMessages(const QList<SearchResult> &results) const
{
    QList<LocalLLMMessage> messages;
    messages.reserve(history.size() + 2);
    messages.append({u"system"_s, systemPrompt});
    if (!results.isEmpty()) {
        if (const std::optional<QString> context
            = searchContextMessage(WebSearch::formatSearchContext(results)))
            messages.append({u"system"_s, *context});
    }
    for (const ChatMessage &message : history)
        messages.append({ChatMessage::roleName(message.role), message.text});
    return messages;
}
