#pragma once

#include "math/mathtypesetter.h"

#include <QWidget>

// A display formula, drawn natively and centred. It is typeset on the math thread: until the
// new TeX's picture has come, the last one stays, so a formula growing in a streamed answer
// never flickers; while its closing delimiter has not come, TeX that does not parse yet is a
// formula still being written, and the last picture stays too. A formula wider than the view
// scrolls sideways (wheel, or the arrow keys once clicked). Clicking selects it whole; copying
// gives its TeX source; screen readers read it as an equation named by that source. TeX that KaTeX
// cannot parse shows as its source, in the error colour, as plain text.
class MathBlockView : public QWidget
{
    Q_OBJECT

public:
    explicit MathBlockView(QWidget *parent = nullptr);

    // `open`: the formula's closing delimiter has not come (yet).
    void setTex(const QString &tex, bool open = false);
    QString tex() const { return m_tex; }
    bool isOpen() const { return m_open; }
    // Whether the current TeX has been typeset and what it shows is drawn: its picture, its
    // failure, or for an open formula that does not parse yet, the last picture.
    bool isTypeset() const { return m_settled; }
    // KaTeX's message for TeX it cannot parse; empty otherwise.
    QString error() const;

    // Display math is set at 18 px, KaTeX's em a little larger, as text around it is.
    static constexpr qreal fontPixelSize = 18;
    static constexpr qreal em() { return MathKey::emBeside(fontPixelSize); }

    // What TeX that KaTeX cannot parse is shown in, here and inside text.
    static QColor errorColor(const QWidget *widget);

    bool isSelected() const { return m_selected; }
    void copy() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void look();
    void settle(const MathFormula &formula);
    void present(const QString &tex, const MathFormula &formula);
    qreal contentWidth() const;
    bool scrollBy(qreal dx);
    void setSelected(bool selected);

    QString m_tex;
    QString m_shownTex;
    std::optional<MathFormula> m_shown;
    qreal m_scroll = 0;
    bool m_open = false;
    bool m_settled = false;
    bool m_selected = false;
};
