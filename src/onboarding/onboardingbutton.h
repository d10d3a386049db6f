#pragma once

#include <QAbstractButton>

class HoverAnimation;

// A footer button of the flow. The accent kind is the stage's main action, filled in the
// accent colour with a trailing icon ("→", "↗", "✓"), and grows a little under the pointer;
// the ghost kind ("← Back", "Skip for now") is text only until the pointer is over it.
class OnboardingButton : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Kind { Accent, Ghost };

    explicit OnboardingButton(Kind kind, QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    QString trailingIcon() const { return m_icon; }
    void setTrailingIcon(const QString &icon);

    // The size the button is drawn at: 1.02 for a hovered accent button that is enabled.
    qreal drawnScale() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int contentWidth() const;

    Kind m_kind;
    QString m_icon;
    HoverAnimation *m_hover;
    // Focus from the keyboard is drawn; the focus the card gives a stage's button is not.
    bool m_keyboardFocus = false;
};
