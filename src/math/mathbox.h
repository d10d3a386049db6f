#pragma once

#include <QColor>
#include <QList>
#include <QMetaType>
#include <QPointF>
#include <QString>

#include <memory>

class QPainter;

// A typeset formula, laid out and ready to draw: its width, and its height above and depth
// below the baseline, in pixels. A value, cheap to copy and to share between threads; made
// on any thread (the KaTeX fonts registered first, see MathFonts), drawn on the window's.
class MathBox
{
public:
    MathBox() = default;

    // Lays out KaTeX's HTML output (renderToString with output "html") at `em` pixels. With
    // `tag`, a display formula's number goes there instead, laid out on its own (null when
    // it has none), for the view to place at its right edge.
    static MathBox fromKatexHtml(const QString &html, qreal em, MathBox *tag = nullptr);
    // An inline formula's top-level pieces (KaTeX's bases), each laid out on its own: where
    // a browser may break the formula over lines. One piece for a formula that cannot break.
    static QList<MathBox> piecesFromKatexHtml(const QString &html, qreal em);

    bool isNull() const { return !d; }
    // How many glyph runs, rules and pictures it draws: what it costs to keep.
    qsizetype itemCount() const;
    qreal width() const;
    qreal height() const;
    qreal depth() const;

    // Draws the formula with its baseline's left end at `baseline`; what has no colour of its
    // own (\color, \colorbox) in `text`.
    void paint(QPainter &painter, QPointF baseline, const QColor &text) const;

private:
    struct Data;
    std::shared_ptr<const Data> d;
};
Q_DECLARE_METATYPE(MathBox)
