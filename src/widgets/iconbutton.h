#pragma once

#include <QToolButton>

// A small button that is only a symbol (the composer's paperclip, a chip's remove cross): a
// soft round fill under the pointer, and the accent ring while it has the keyboard focus, so
// that a keyboard user sees where they are.
class IconButton : public QToolButton
{
public:
    // `symbol` is a Symbols name; `accessibleName` what it does, for screen readers.
    IconButton(const QString &symbol, const QString &accessibleName, int side, int iconSide,
               QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void updateIcon();

    QString m_symbol;
};
