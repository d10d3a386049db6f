#pragma once

#include <QAbstractButton>

// The small plain "Copy" button under a message: the symbol "doc.on.doc" with the word
// "Copy", or "checkmark" with "Copied" for 1.5 s after a press. The owner puts the text on
// the clipboard when it is clicked and then calls showCopied().
//
// A button can be concealed (transparent and not clickable) while keeping its place, as
// the user bubbles want it only while the pointer is over them. A concealed one stays in the
// tab order and shows, ringed, while it has the focus: the keyboard finds it as the pointer
// does. Return and Space press it.
class CopyButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(bool copied READ isCopied NOTIFY copiedChanged)
    Q_PROPERTY(qreal copiedProgress READ copiedProgress WRITE setCopiedProgress)
    Q_PROPERTY(qreal revealProgress READ revealProgress WRITE setRevealProgress)

public:
    explicit CopyButton(QWidget *parent = nullptr);

    static constexpr int copiedDurationMs = 1500;

    bool isCopied() const { return m_copied; }
    // Switches to "Copied"; each call brings "Copy" back 1.5 s later on its own.
    void showCopied();

    bool isRevealed() const { return m_revealed; }
    void setRevealed(bool revealed);

    // Animated stand-ins for the two states, for drawing.
    qreal copiedProgress() const { return m_copiedProgress; }
    void setCopiedProgress(qreal progress);
    qreal revealProgress() const { return m_revealProgress; }
    void setRevealProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void copiedChanged(bool copied);

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    void setCopied(bool copied);
    void paintLabel(QPainter &painter, const QString &symbol, const QString &text, qreal opacity);

    bool m_copied = false;
    bool m_revealed = true;
    bool m_hovered = false;
    qreal m_copiedProgress = 0;
    qreal m_revealProgress = 1;
};
