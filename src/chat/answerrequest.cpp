#include "chat/answerrequest.h"

#include "attachments/documentattachment.h"
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
    for (const ChatMessage &message : history) {
        if (message.attachments.isEmpty())
            messages.append({ChatMessage::roleName(message.role), message.text});
        else
            messages.append(
                questionMessage(message.text, message.attachments, attachmentTextLimit));
    }
    return messages;
}

LocalLLMMessage questionMessage(const QString &text, const QList<Attachment> &attachments,
                                qsizetype textLimit)
{
    QList<Attachment> documents;
    QStringList images;
    for (const Attachment &attachment : attachments) {
        if (attachment.kind == Attachment::Kind::Image)
            images.append(attachment.dataUrl());
        else
            documents.append(attachment);
    }
    QString content = text;
    if (!documents.isEmpty()) {
        if (!content.isEmpty())
            content += u"\n\n"_s;
        content += DocumentAttachment::promptText(documents, textLimit);
    }
    return {u"user"_s, content, images};
}
