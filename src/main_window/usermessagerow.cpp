#include "main_window/usermessagerow.h"

#include "main_window/copybutton.h"
#include "main_window/messagebubble.h"

#include <QResizeEvent>

#include <algorithm>

namespace {

// A bubble leaves some of the column free, so that it reads as the user's side.
constexpr double maximumBubbleShare = 0.8;
constexpr int copyButtonGap = 2;

} // namespace

UserMessageRow::UserMessageRow(QWidget *parent)
    : MessageRow(parent)
    , m_bubble(new MessageBubble(this))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_copyButton->setRevealed(false);
    connect(m_copyButton, &CopyButton::copiedChanged, this, [this] { showHover(); });
}

void UserMessageRow::showState(bool textChanged)
{
    if (textChanged)
        m_bubble->setText(message().text);
    updateGeometry();
    placeChildren();
}

void UserMessageRow::showHover()
{
    m_copyButton->setRevealed(isHovered() || m_copyButton->isCopied());
}

int UserMessageRow::currentTopPadding() const
{
    return isFirstInGroup() ? firstInGroupTopPadding : topPadding;
}

int UserMessageRow::bubbleWidth(int width) const
{
    const int widest = std::max(1, int(width * maximumBubbleShare));
    return std::min(widest, m_bubble->naturalWidth());
}

int UserMessageRow::heightForWidth(int width) const
{
    return currentTopPadding() + m_bubble->heightForWidth(bubbleWidth(width)) + copyButtonGap
        + m_copyButton->sizeHint().height() + bottomPadding;
}

QSize UserMessageRow::sizeHint() const
{
    const int width = std::max(this->width(), 200);
    return {width, heightForWidth(width)};
}

void UserMessageRow::resizeEvent(QResizeEvent *event)
{
    MessageRow::resizeEvent(event);
    placeChildren();
}

void UserMessageRow::placeChildren()
{
    const int bubbleW = bubbleWidth(width());
    const int bubbleH = m_bubble->heightForWidth(bubbleW);
    m_bubble->setGeometry(width() - bubbleW, currentTopPadding(), bubbleW, bubbleH);
    const QSize button = m_copyButton->sizeHint();
    m_copyButton->setGeometry(width() - button.width(),
                              currentTopPadding() + bubbleH + copyButtonGap, button.width(),
                              button.height());
}
