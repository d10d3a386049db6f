#include "main_window/usermessagerow.h"

#include "main_window/attachmenttiles.h"
#include "main_window/copybutton.h"
#include "main_window/messageactionbutton.h"
#include "main_window/messagebubble.h"
#include "main_window/questioneditfield.h"

#include <QEvent>
#include <QResizeEvent>

#include <algorithm>
#include <utility>

namespace {

// A bubble leaves some of the column free, so that it reads as the user's side.
constexpr double maximumBubbleShare = 0.8;
constexpr int copyButtonGap = 2;
constexpr int tilesGap = 6;

using namespace Qt::StringLiterals;

} // namespace

UserMessageRow::UserMessageRow(QWidget *parent)
    : MessageRow(parent)
    , m_tiles(new AttachmentTiles(this))
    , m_bubble(new MessageBubble(this))
    , m_editButton(new MessageActionButton(u"pencil"_s, tr("Edit"), this))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_tiles->hide();
    m_copyButton->setRevealed(false);
    connect(m_copyButton, &CopyButton::copiedChanged, this, [this] { showHover(); });
    m_editButton->setRevealed(false);
    m_editButton->setToolTip(tr("Edit"));
    connect(m_editButton, &QAbstractButton::clicked, this,
            [this] { Q_EMIT editRequested(message().id); });
    // Edit stands left of Copy.
    QWidget::setTabOrder(m_editButton, m_copyButton);
}

void UserMessageRow::showState(bool textChanged)
{
    if (textChanged)
        m_bubble->setText(message().text);
    m_tiles->setAttachments(message().attachments);
    m_bubble->setVisible(showsBubble());
    updateGeometry();
    placeChildren();
}

void UserMessageRow::showHover()
{
    m_copyButton->setRevealed(isHovered() || m_copyButton->isCopied());
    m_editButton->setRevealed(isHovered());
}

void UserMessageRow::showActions()
{
    m_editButton->setEnabled(actions().canChange);
    const bool editing = actions().isEditing;
    if (editing == (m_editField != nullptr))
        return;
    if (editing) {
        m_editField = new QuestionEditField(message().text, this);
        const QUuid id = message().id;
        connect(m_editField, &QuestionEditField::submitted, this,
                [this, id](const QString &text) { Q_EMIT editSubmitted(id, text); });
        connect(m_editField, &QuestionEditField::cancelled, this, &MessageRow::editCancelled);
        m_editField->show();
        m_editField->setFocus(Qt::OtherFocusReason);
    } else {
        delete std::exchange(m_editField, nullptr);
    }
    m_bubble->setVisible(showsBubble());
    m_tiles->setVisible(!editing && !message().attachments.isEmpty());
    m_copyButton->setVisible(!editing);
    m_editButton->setVisible(!editing);
    updateGeometry();
    placeChildren();
}

int UserMessageRow::currentTopPadding() const
{
    return isFirstInGroup() ? firstInGroupTopPadding : topPadding;
}

bool UserMessageRow::showsBubble() const
{
    // A question that is only a file shows the file alone.
    return !m_editField && (!message().text.isEmpty() || message().attachments.isEmpty());
}

int UserMessageRow::tilesHeight(int width) const
{
    if (message().attachments.isEmpty() || m_editField)
        return 0;
    return m_tiles->heightForWidth(std::max(1, int(width * maximumBubbleShare)))
        + (showsBubble() ? tilesGap : 0);
}

int UserMessageRow::bubbleWidth(int width) const
{
    const int widest = std::max(1, int(width * maximumBubbleShare));
    // An edit takes the whole width a bubble may have: the text will change.
    return m_editField ? widest : std::min(widest, m_bubble->naturalWidth());
}

int UserMessageRow::heightForWidth(int width) const
{
    if (m_editField)
        return currentTopPadding() + m_editField->sizeHint().height() + bottomPadding;
    const int bubble = showsBubble() ? m_bubble->heightForWidth(bubbleWidth(width)) : 0;
    return currentTopPadding() + tilesHeight(width) + bubble + copyButtonGap
        + m_copyButton->sizeHint().height() + bottomPadding;
}

QSize UserMessageRow::sizeHint() const
{
    const int width = std::max(this->width(), 200);
    return {width, heightForWidth(width)};
}

bool UserMessageRow::event(QEvent *event)
{
    // The edit field grows and shrinks with what is typed, and the row with it.
    if (event->type() == QEvent::LayoutRequest && m_editField) {
        updateGeometry();
        placeChildren();
    }
    return MessageRow::event(event);
}

void UserMessageRow::resizeEvent(QResizeEvent *event)
{
    MessageRow::resizeEvent(event);
    placeChildren();
}

void UserMessageRow::placeChildren()
{
    if (m_editField) {
        const int fieldW = bubbleWidth(width());
        m_editField->setGeometry(width() - fieldW, currentTopPadding(), fieldW,
                                 m_editField->sizeHint().height());
        return;
    }
    const int tilesW = std::max(1, int(width() * maximumBubbleShare));
    const int tilesH = tilesHeight(width());
    m_tiles->setVisible(tilesH > 0);
    if (tilesH > 0) {
        m_tiles->setGeometry(width() - tilesW, currentTopPadding(), tilesW,
                             m_tiles->heightForWidth(tilesW));
    }
    const int bubbleTop = currentTopPadding() + tilesH;
    const int bubbleW = bubbleWidth(width());
    const int bubbleH = showsBubble() ? m_bubble->heightForWidth(bubbleW) : 0;
    m_bubble->setGeometry(width() - bubbleW, bubbleTop, bubbleW, bubbleH);
    const QSize button = m_copyButton->sizeHint();
    const int buttonsTop = bubbleTop + bubbleH + copyButtonGap;
    m_copyButton->setGeometry(width() - button.width(), buttonsTop, button.width(),
                              button.height());
    const QSize edit = m_editButton->sizeHint();
    m_editButton->setGeometry(width() - button.width() - edit.width(), buttonsTop, edit.width(),
                              edit.height());
}
