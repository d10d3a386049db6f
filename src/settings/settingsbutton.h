#pragma once

#include <QPushButton>

class HoverAnimation;

// The push button of the settings tabs: a rounded capsule on a raised surface, its label in
// the text colour, or in red for an action that destroys data.
class SettingsButton : public QPushButton
{
    Q_OBJECT

public:
    explicit SettingsButton(const QString &text, QWidget *parent = nullptr);

    bool isDestructive() const { return m_destructive; }
    void setDestructive(bool destructive);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // The red of destructive actions in a light or dark window.
    static QColor destructiveColor(bool dark);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_destructive = false;
    HoverAnimation *m_hover;
};
