#pragma once

#include <QUuid>
#include <QWidget>

#include <optional>

class ArchivedBanner;
class ChatFloatingTitleBar;
class ChatScrollView;
class ChatTopScrollFade;
class ChatViewState;
class ConversationController;

// The open conversation: its messages in a scrolling column (ChatScrollView), the floating
// title that fades in as the list scrolls, and the archived banner at the bottom while the
// conversation is archived. The composer goes below it.
//
// It shows the controller's state and follows the answer that streams in: rows are
// reconciled by message id when the list changes, and on the 50 ms stream pulse only the
// growing answer is drawn again. The rows' actions (regenerate, versions, edit; Ctrl+Shift+R
// asks again for the last answer) go to the controller. Scrolling reports the title's progress to
// the window's view state (chatTitleBlurProgress), which its toolbar band reads too.
class MessageListView : public QWidget
{
    Q_OBJECT

public:
    MessageListView(ConversationController &controller, ChatViewState &viewState,
                    QWidget *parent = nullptr);

    ChatScrollView *scrollView() const { return m_scroll; }
    ChatFloatingTitleBar *titleBar() const { return m_titleBar; }
    ArchivedBanner *archivedBanner() const { return m_banner; }
    // The conversation shown; none when the window shows the new-chat screen.
    std::optional<QUuid> sessionId() const { return m_sessionId; }
    // Whether answers show the thought that came before them; the settings' "Show thinking".
    void setShowsThoughts(bool shows);
    // Scrolls to the message `id` of the conversation shown instead of its end, and tints
    // its row for a moment: a search result opened at its match.
    void revealMessage(const QUuid &id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showConversation();
    void announceAnswer();
    void showStreamPulse();
    void placeOverlays();
    void connectMessageActions();

    ConversationController &m_controller;
    ChatScrollView *m_scroll;
    ArchivedBanner *m_banner;
    ChatTopScrollFade *m_fade;
    ChatFloatingTitleBar *m_titleBar;

    std::optional<QUuid> m_sessionId;
    qsizetype m_messageCount = 0;
};
