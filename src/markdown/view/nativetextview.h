#pragma once

#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <QWidget>

// Rich text built by NativeText, laid out to the available width. Unlike QLabel it breaks
// a word that is wider than the line (a long URL, a hash) instead of forcing the whole
// answer wider than the window.
//
// Formulas inside the text are drawn natively in its line, on its baseline, with their depth
// below it; a long one breaks between its top-level pieces as a browser breaks it. Each is
// typeset on the math thread, and the text is laid out again when it comes.
//
// The text can be selected with the mouse (drag, double-click for a word) and copied with
// the copy shortcut or the context menu, as plain text, formulas as their TeX between $.
class NativeTextView : public QWidget
{
    Q_OBJECT

public:
    explicit NativeTextView(QWidget *parent = nullptr);
    ~NativeTextView() override;

    // `html` must come from NativeText (escaped model text); `formulas` the TeX of its formula
    // images, in order.
    void setHtml(const QString &html, const QStringList &formulas = {});
    QString html() const { return m_html; }
    QStringList formulas() const { return m_formulas; }
    // Whether every formula has been typeset and is drawn.
    bool formulasTypeset() const { return m_pending.isEmpty(); }
    QString toPlainText() const;
    // The selected text, plain; empty when nothing is selected.
    QString selectedText() const;
    void selectAll();
    void copySelection() const;

    void setTextColor(const QColor &color);
    QColor textColor() const { return m_textColor; }

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void build();
    void placeFormulas();
    QString textBetween(int from, int to) const;
    void layoutTo(int width) const;
    int positionAt(const QPointF &point) const;
    void clearSelection();

    QString m_html;
    QStringList m_formulas;
    // The formulas still on their way, by index.
    QList<qsizetype> m_pending;
    bool m_rebuildQueued = false;
    QColor m_textColor;
    mutable QTextDocument m_document;
    mutable int m_laidOutWidth = -1;
    QTextCursor m_selection;
    bool m_selecting = false;
};
