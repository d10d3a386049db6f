#pragma once

#include "chat/quickprompt.h"

#include <QAbstractButton>

class HoverAnimation;

// One starter on the new-chat screen: the starter's symbol, its label over its detail, and
// a chevron, on a glass surface that brightens under the pointer.
class QuickPromptRow : public QAbstractButton
{
    Q_OBJECT

public:
    explicit QuickPromptRow(const QuickPrompt &prompt, QWidget *parent = nullptr);

    const QuickPrompt &prompt() const { return m_prompt; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QuickPrompt m_prompt;
    HoverAnimation *m_hover;
};
