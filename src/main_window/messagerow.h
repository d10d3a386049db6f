#pragma once

#include "chat/chatmessage.h"
#include "main_window/messagelistrows.h"

#include <QWidget>

class CopyButton;

// One message of the open conversation: a user bubble (UserMessageRow) or an assistant
// answer (AssistantMessageRow). The list keys rows by message id and hands each row the
// latest copy of its message; a row redraws only what changed.
class MessageRow : public QWidget
{
    Q_OBJECT

public:
    // The row for `message`'s role.
    static MessageRow *create(const ChatMessage &message, QWidget *parent = nullptr);

    const ChatMessage &message() const { return m_message; }
    bool isFirstInGroup() const { return m_isFirstInGroup; }
    bool isStreaming() const { return m_isStreaming; }
    bool isHovered() const { return m_isHovered; }
    CopyButton *copyButton() const { return m_copyButton; }
    // The copy button shows "Copied".
    bool isCopied() const;
    // The message as a screen reader reads it: a question as typed, an answer's Markdown
    // as plain text.
    QString spokenText() const { return spokenText(m_message); }
    // What a screen reader reads of `message`: a question as typed, an answer's Markdown as
    // plain text.
    static QString spokenText(const ChatMessage &message);

    void setMessage(const ChatMessage &message, bool isFirstInGroup, bool isStreaming);
    // What the user can do with the message now: the row's isEditing, isLastAnswer and
    // canChange.
    void setActions(const MessageListRow &row);
    const MessageListRow &actions() const { return m_actions; }

Q_SIGNALS:
    // The actions on a message, which the list passes on to the controller.
    void editRequested(const QUuid &messageId);
    void editSubmitted(const QUuid &messageId, const QString &text);
    void editCancelled();
    void regenerateRequested();
    void versionRequested(const QUuid &messageId, qsizetype index);

public Q_SLOTS:
    // Replaces the clipboard with the message text, as plain text.
    void copyText();

protected:
    explicit MessageRow(QWidget *parent = nullptr);

    // Shows the state just set; `textChanged` says whether the text or the streaming flag
    // changed since the last call, the only things that cost work to show.
    virtual void showState(bool textChanged) = 0;
    virtual void showHover() { }
    // Shows the actions just set.
    virtual void showActions() { }

    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

    CopyButton *m_copyButton;

private:
    void setHovered(bool hovered);

    ChatMessage m_message;
    bool m_isFirstInGroup = false;
    bool m_isStreaming = false;
    bool m_isHovered = false;
    bool m_hasState = false;
    MessageListRow m_actions;
};
