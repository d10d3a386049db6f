#pragma once

#include "main_window/messagerow.h"

class MessageBubble;

// A message of the user: a bubble on the trailing side, with the copy button under it that
// shows while the pointer is over the row (or while it confirms a copy). 20 points above
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

protected:
    void showState(bool textChanged) override;
    void showHover() override;
    void resizeEvent(QResizeEvent *event) override;

private:
    int currentTopPadding() const;
    int bubbleWidth(int width) const;
    void placeChildren();

    MessageBubble *m_bubble;
};
