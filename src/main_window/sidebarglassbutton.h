#pragma once

#include "widgets/symbols.h"

#include <QAbstractButton>

class HoverAnimation;

// A button of the sidebar's header: a symbol, optionally a text, on a glass surface that
// grows a little more opaque under the pointer.
class SidebarGlassButton : public QAbstractButton
{
    Q_OBJECT

public:
    SidebarGlassButton(const QString &symbol, const QString &text, QWidget *parent = nullptr);

    void setSymbolSize(int size);
    void setSymbolWeight(Symbols::Weight weight);
    // Draws the symbol in the secondary text colour instead of the primary one.
    void setSecondarySymbol(bool secondary);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    int m_symbolSize = 13;
    Symbols::Weight m_symbolWeight = Symbols::Weight::Medium;
    bool m_secondarySymbol = false;
    HoverAnimation *m_hover;
};
