#pragma once

#include "widgets/symbols.h"

#include <QAbstractButton>

// A button of the sidebar's header: a symbol, optionally a text, on a glass surface that
// grows a little more opaque under the pointer.
class SidebarGlassButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(qreal hoverProgress READ hoverProgress WRITE setHoverProgress)

public:
    SidebarGlassButton(const QString &symbol, const QString &text, QWidget *parent = nullptr);

    void setSymbolSize(int size);
    void setSymbolWeight(Symbols::Weight weight);
    // Draws the symbol in the secondary text colour instead of the primary one.
    void setSecondarySymbol(bool secondary);

    qreal hoverProgress() const { return m_hoverProgress; }
    void setHoverProgress(qreal progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    QString m_symbol;
    int m_symbolSize = 13;
    Symbols::Weight m_symbolWeight = Symbols::Weight::Medium;
    bool m_secondarySymbol = false;
    qreal m_hoverProgress = 0;
};
