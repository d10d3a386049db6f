#pragma once

#include "chat/promptsuggestion.h"

#include <QAbstractButton>

class HoverAnimation;

// One quick style of the General tab: a capsule with "checkmark.circle.fill" and an accent
// tint while the style is on, "circle" while it is off, then the style's label. Clicking it
// only asks for the toggle (clicked); the tab writes the setting and sets isActive from it.
class SuggestionChip : public QAbstractButton
{
    Q_OBJECT

public:
    explicit SuggestionChip(const PromptSuggestion &suggestion, QWidget *parent = nullptr);

    PromptSuggestion suggestion() const { return m_suggestion; }
    bool isActive() const { return m_active; }
    void setActive(bool active);
    // The symbol drawn before the label.
    QString symbolName() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    // A click asks for the toggle; the setting decides.
    void nextCheckState() override { }

private:
    PromptSuggestion m_suggestion;
    bool m_active = false;
    HoverAnimation *m_hover;
};
