#pragma once

#include "main_window/messagerow.h"

class AttachmentTiles;
class MessageActionButton;
class MessageBubble;
class QuestionEditField;

// A message of the user: a bubble on the trailing side under the files it carried (if any), with
// the copy and edit buttons under
// it that show while the pointer is over the row (or while it confirms a copy, or a button has
// the focus). While it is edited, a QuestionEditField stands in the bubble's place. 20 points above
// the first message of a group, 4 above the others, 2 below.
class UserMessageRow : public MessageRow
{
    Q_OBJECT

public:
    explicit UserMessageRow(QWidget *parent = nullptr);

    static constexpr int firstInGroupTopPadding = 20;
    static constexpr int topPadding = 4;
    static constexpr int bottomPadding = 2;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

    MessageActionButton *editButton() const { return m_editButton; }
    // The field while the question is edited, else null.
    QuestionEditField *editField() const { return m_editField; }
    AttachmentTiles *attachmentTiles() const { return m_tiles; }

protected:
    void showState(bool textChanged) override;
    void showHover() override;
    void showActions() override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;

private:
    int currentTopPadding() const;
    int bubbleWidth(int width) const;
    void placeChildren();

    // The height the tiles take above the bubble, with their gap; 0 without attachments.
    int tilesHeight(int width) const;
    bool showsBubble() const;

    AttachmentTiles *m_tiles;
    MessageBubble *m_bubble;
    MessageActionButton *m_editButton;
    QuestionEditField *m_editField = nullptr;
};
