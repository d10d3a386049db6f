#pragma once

#include <QAbstractButton>

// A small plain action under a message ("Regenerate", "Edit", the arrows between versions):
// an optional symbol and a word, drawn like the copy button, with a ring while it has the
// keyboard focus. Return and Space press it.
//
// One that is concealed until the pointer is over its message keeps its place and stays in
// the tab order, showing while it has the focus: the keyboard finds it as the pointer does.
class MessageActionButton : public QAbstractButton
{
    Q_OBJECT

public:
    // `symbol` is a design name (see Symbols), or empty for the word alone.
    MessageActionButton(const QString &symbol, const QString &text, QWidget *parent = nullptr);

    bool isRevealed() const { return m_revealed; }
    void setRevealed(bool revealed);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString m_symbol;
    bool m_revealed = true;
    bool m_hovered = false;
};
