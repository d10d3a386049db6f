#include "chat/quickaskrequest.h"

#include "attachments/documentattachment.h"
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
    QList<Attachment> documents;
    QStringList images;
    for (const Attachment &attachment : attachments) {
        if (attachment.kind == Attachment::Kind::Image)
            images.append(attachment.dataUrl());
        else
            documents.append(attachment);
    }
    QString text = question.trimmed();
    if (!documents.isEmpty())
        text += u"\n\n"_s + DocumentAttachment::promptText(documents);
    list.append({u"user"_s, text, images});
    return list;
}
