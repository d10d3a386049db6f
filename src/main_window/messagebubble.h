#pragma once

#include <QLabel>

// The user's text on a rounded bubble: plain text (never markup), selectable, wrapped.
class MessageBubble : public QLabel
{
    Q_OBJECT

public:
    static constexpr int cornerRadius = 18;
    static constexpr int horizontalPadding = 16;
    static constexpr int verticalPadding = 10;

    explicit MessageBubble(QWidget *parent = nullptr);

    // The width the text takes unwrapped, with the padding: a short message gets a short
    // bubble.
    int naturalWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
