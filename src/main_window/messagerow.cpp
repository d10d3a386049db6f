#include "main_window/messagerow.h"

#include "main_window/assistantmessagerow.h"
#include "main_window/copybutton.h"
#include "main_window/messageaccessibility.h"
#include "main_window/usermessagerow.h"

#include "markdown/markdownplaintext.h"

#include <QClipboard>
#include <QGuiApplication>

MessageRow *MessageRow::create(const ChatMessage &message, QWidget *parent)
{
    if (message.role == ChatMessage::Role::User)
        return new UserMessageRow(parent);
    return new AssistantMessageRow(parent);
}

MessageRow::MessageRow(QWidget *parent)
    : QWidget(parent)
    , m_copyButton(new CopyButton(this))
{
    MessageAccessibility::install();
    connect(m_copyButton, &CopyButton::clicked, this, &MessageRow::copyText);
}

QString MessageRow::spokenText(const ChatMessage &message)
{
    if (message.role == ChatMessage::Role::User)
        return message.text;
    return MarkdownPlainText::fromMarkdown(message.text);
}

bool MessageRow::isCopied() const
{
    return m_copyButton->isCopied();
}

void MessageRow::setMessage(const ChatMessage &message, bool isFirstInGroup, bool isStreaming)
{
    const bool textChanged
        = !m_hasState || message.text != m_message.text || isStreaming != m_isStreaming;
    const bool changed = textChanged || isFirstInGroup != m_isFirstInGroup
        || message.sources != m_message.sources || message.reasoning != m_message.reasoning
        || message.thinkingSeconds != m_message.thinkingSeconds
        || message.versions.size() != m_message.versions.size()
        || message.chosenVersion != m_message.chosenVersion;
    m_message = message;
    m_isFirstInGroup = isFirstInGroup;
    m_isStreaming = isStreaming;
    m_hasState = true;
    if (changed)
        showState(textChanged);
}

void MessageRow::setActions(const MessageListRow &row)
{
    const bool changed = row.isEditing != m_actions.isEditing
        || row.isLastAnswer != m_actions.isLastAnswer || row.canChange != m_actions.canChange;
    m_actions = row;
    if (changed)
        showActions();
}

void MessageRow::copyText()
{
    QGuiApplication::clipboard()->setText(m_message.text);
    m_copyButton->showCopied();
    showHover();
}

void MessageRow::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    setHovered(true);
}

void MessageRow::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    setHovered(false);
}

void MessageRow::setHovered(bool hovered)
{
    if (hovered == m_isHovered)
        return;
    m_isHovered = hovered;
    showHover();
}
