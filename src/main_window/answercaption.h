#pragma once

#include "chat/chatmessage.h"

#include <QLabel>

// The line under a finished answer that says which model wrote it and how long and fast it
// was: "qwen3-8b · 412 tokens · 38.5 tok/s · 0.6 s to first token". Hidden for answers
// that know neither (older ones).
class AnswerCaption : public QLabel
{
    Q_OBJECT

public:
    explicit AnswerCaption(QWidget *parent = nullptr);

    void showMessage(const ChatMessage &message);

protected:
    // In the secondary colour of the scheme the row is drawn in.
    void paintEvent(QPaintEvent *event) override;
};
