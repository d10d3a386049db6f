#pragma once

#include "math/mathbox.h"

#include <QCache>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

class QThread;
class MathWorker;

// A formula typeset at one size: its box, the pieces an inline formula may break between
// (KaTeX's top-level bases, as a browser breaks it), a display formula's number, or KaTeX's
// message when the TeX does not parse.
struct MathFormula
{
    MathBox box;
    QList<MathBox> pieces;
    MathBox tag;
    QString error;
    // KaTeX's em it was typeset at, in logical pixels.
    qreal em = 0;

    bool isValid() const { return error.isEmpty() && !box.isNull(); }

    // What a display formula needs: the width of its body centred between room for its
    // number on either side, and the height and depth of the taller.
    qreal displayWidth() const;
    qreal displayHeight() const;
    qreal displayDepth() const;
    // Draws a display formula with its baseline at `baseline` in the line from `left`, `width`
    // wide, as a browser lays out KaTeX's display: the body centred, the number at the right
    // edge. Where they do not fit side by side, both go from the left edge, `scroll` to the
    // left of it.
    void paintDisplay(QPainter &painter, qreal left, qreal width, qreal baseline,
                      const QColor &text, qreal scroll = 0) const;
};

// What a formula is typeset from. The colour is not part of it: a box is drawn in any colour.
struct MathKey
{
    QString tex;
    bool display = false;
    // The size of KaTeX's em, in logical pixels.
    qreal em = 0;

    // KaTeX's em beside text of `textPixels`: a little larger, as velm has always set it.
    static constexpr qreal emBeside(qreal textPixels) { return textPixels * 1.03; }

    friend bool operator==(const MathKey &, const MathKey &) = default;
};
size_t qHash(const MathKey &key, size_t seed = 0);

// The app's typesetter: KaTeX and the layout of its output run on a thread of their own, so
// the window never waits for a formula; every formula typeset is kept, so one that does not
// change while an answer grows is never typeset again. Lives on the window's thread.
//
// A view asks find() and, when the formula is not there yet, request(); ready() tells every
// view that a formula has come, and each looks for its own again.
class MathTypesetter : public QObject
{
    Q_OBJECT

public:
    // The one typesetter, made on first use on the window's thread.
    static MathTypesetter &instance();
    ~MathTypesetter() override;

    // Starts the thread and loads KaTeX there (about 80 ms) before any formula needs it.
    void warmUp();

    std::optional<MathFormula> find(const MathKey &key) const;
    // Typesets `key` on the thread unless it is known or already on its way.
    void request(const MathKey &key);

    // How many formulas have been typeset since start; for tests and benchmarks.
    int typesetCount() const { return m_typesetCount; }
    // What the kept formulas draw, in items (MathBox::itemCount), and the most that is kept:
    // a formula draws about 12, each under 1 kB kept, so some 800 formulas in at most 8 MB.
    // The least recently used go first: a streamed formula's half-written states, typeset
    // once each.
    qsizetype keptItems() const { return m_cache.totalCost(); }
    static constexpr qsizetype maximumKeptItems = 10000;

Q_SIGNALS:
    void ready(const MathKey &key);

private:
    MathTypesetter();
    void startThread();
    void accept(const MathKey &key, const MathFormula &formula);

    QThread *m_thread = nullptr;
    MathWorker *m_worker = nullptr;
    QCache<MathKey, MathFormula> m_cache;
    QSet<MathKey> m_pending;
    int m_typesetCount = 0;
};

Q_DECLARE_METATYPE(MathKey)
Q_DECLARE_METATYPE(MathFormula)
