#pragma once

#include "chat/quickprompt.h"

#include <QAbstractButton>

// One starter on the new-chat screen: the starter's symbol, its label over its detail, and
// a chevron, on a glass surface that brightens under the pointer.
class QuickPromptRow : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal hoverProgress READ hoverProgress WRITE setHoverProgress)

public:
    explicit QuickPromptRow(const QuickPrompt &prompt, QWidget *parent = nullptr);

    const QuickPrompt &prompt() const { return m_prompt; }
    bool isHovered() const { return m_isHovered; }

    // 0 at rest, 1 hovered; moves on the hover spring.
    qreal hoverProgress() const { return m_hoverProgress; }
    void setHoverProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setHovered(bool hovered);

    QuickPrompt m_prompt;
    bool m_isHovered = false;
    qreal m_hoverProgress = 0;
};
