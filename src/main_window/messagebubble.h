#pragma once

#include "markdown/view/nativetextview.h"

// The user's text on a rounded bubble: plain text (never markup), selectable, wrapped, and
// broken inside a word too long for the line (a pasted URL) rather than cut off.
class MessageBubble : public NativeTextView
{
    Q_OBJECT

public:
    static constexpr int cornerRadius = 18;
    static constexpr int horizontalPadding = 16;
    static constexpr int verticalPadding = 10;

    explicit MessageBubble(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);

    // The width the text takes unwrapped, with the padding: a short message gets a short
    // bubble.
    int naturalWidth() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
