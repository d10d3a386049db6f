#pragma once

#include <QToolButton>

class HoverAnimation;

// A capsule in the composer's bottom row that opens a menu: a symbol and a short label in the
// chip's colour, a faint fill of that colour that grows under the pointer or while the menu is
// open (stronger when the chip stands out), and the focus ring. The web search and model chips
// say what they show; this draws it.
class ComposerChip : public QToolButton
{
    Q_OBJECT

public:
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    // `maxTextWidth`: a longer label is cut in the middle (0: never).
    explicit ComposerChip(int maxTextWidth = 0, QWidget *parent = nullptr);

    virtual QString chipSymbol() const = 0;
    virtual QColor chipColor() const = 0;
    // The chip stands out (search always on, a model that is missing).
    virtual bool isEmphasised() const = 0;

    void paintEvent(QPaintEvent *event) override;

private:
    int m_maxTextWidth;
    HoverAnimation *m_hover;
};
