#include "math/mathtypesetter.h"

#include "math/katextypesetter.h"
#include "math/mathfonts.h"

#include <QCoreApplication>
#include <QFile>
#include <QPainter>
#include <QThread>

#include <memory>

using namespace Qt::StringLiterals;

qreal MathFormula::displayWidth() const
{
    // The body centred with room for the number and a quad on either side.
    return box.width() + (tag.isNull() ? 0 : 2 * (em + tag.width()));
}

qreal MathFormula::displayHeight() const
{
    return std::max(box.height(), tag.height());
}

qreal MathFormula::displayDepth() const
{
    return std::max(box.depth(), tag.depth());
}

void MathFormula::paintDisplay(QPainter &painter, qreal left, qreal width, qreal baseline,
                               const QColor &text, qreal scroll) const
{
    if (displayWidth() <= width) {
        box.paint(painter, QPointF(left + (width - box.width()) / 2, baseline), text);
        if (!tag.isNull())
            tag.paint(painter, QPointF(left + width - tag.width(), baseline), text);
        return;
    }
    box.paint(painter, QPointF(left - scroll, baseline), text);
    if (!tag.isNull())
        tag.paint(painter, QPointF(left - scroll + box.width() + em, baseline), text);
}

size_t qHash(const MathKey &key, size_t seed)
{
    return qHashMulti(seed, key.tex, key.display, key.em);
}

// Owns KaTeX's engine, which belongs to the thread it was made on; everything it does runs
// on the typesetter's thread.
class MathWorker : public QObject
{
    Q_OBJECT

public:
    void load()
    {
        if (m_katex)
            return;
        QFile script(u":/katex/katex.min.js"_s);
        m_katex = std::make_unique<KatexTypesetter>(
            script.open(QIODevice::ReadOnly) ? QString::fromUtf8(script.readAll()) : QString());
        if (!m_katex->isValid())
            qWarning("velm: KaTeX did not load; formulas show as their source");
    }

    void typeset(const MathKey &key)
    {
        load();
        const KatexTypesetter::Result result = m_katex->typeset(key.tex, key.display);
        MathFormula formula;
        formula.em = key.em;
        if (result.error.isEmpty()) {
            formula.box
                = MathBox::fromKatexHtml(result.html, key.em, key.display ? &formula.tag : nullptr);
            if (!key.display)
                formula.pieces = MathBox::piecesFromKatexHtml(result.html, key.em);
        } else {
            formula.error = result.error;
        }
        Q_EMIT done(key, formula);
    }

Q_SIGNALS:
    void done(const MathKey &key, const MathFormula &formula);

private:
    std::unique_ptr<KatexTypesetter> m_katex;
};

MathTypesetter &MathTypesetter::instance()
{
    // Parented to the application, so the thread stops before Qt does.
    static MathTypesetter *typesetter = [] {
        auto *made = new MathTypesetter;
        made->setParent(QCoreApplication::instance());
        return made;
    }();
    return *typesetter;
}

MathTypesetter::MathTypesetter()
    // Item sizes measured over the corpus by bench_math.
    : m_cache(maximumKeptItems)
{
    qRegisterMetaType<MathKey>();
    qRegisterMetaType<MathFormula>();
}

MathTypesetter::~MathTypesetter()
{
    if (m_thread) {
        m_thread->quit();
        m_thread->wait();
    }
}

void MathTypesetter::startThread()
{
    if (m_thread)
        return;
    // The font database is filled on the window's thread only; the worker measures with it.
    MathFonts::registerEmbedded();
    m_thread = new QThread(this);
    m_thread->setObjectName(u"velm math"_s);
    m_worker = new MathWorker;
    m_worker->moveToThread(m_thread);
    // KaTeX's engine is destroyed on the thread that made it, as that thread ends: finished is
    // emitted there, and a connection without a receiver calls at once.
    connect(m_thread, &QThread::finished, [worker = m_worker] { delete worker; });
    connect(m_worker, &MathWorker::done, this, &MathTypesetter::accept);
    m_thread->start();
}

void MathTypesetter::warmUp()
{
    if (m_thread)
        return;
    startThread();
    QMetaObject::invokeMethod(m_worker, &MathWorker::load, Qt::QueuedConnection);
}

std::optional<MathFormula> MathTypesetter::find(const MathKey &key) const
{
    if (const MathFormula *formula = m_cache.object(key))
        return *formula;
    return std::nullopt;
}

void MathTypesetter::request(const MathKey &key)
{
    if (m_cache.contains(key) || m_pending.contains(key))
        return;
    startThread();
    m_pending.insert(key);
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, key] { worker->typeset(key); }, Qt::QueuedConnection);
}

void MathTypesetter::accept(const MathKey &key, const MathFormula &formula)
{
    m_pending.remove(key);
    qsizetype items = formula.box.itemCount() + formula.tag.itemCount();
    for (const MathBox &piece : formula.pieces)
        items += piece.itemCount();
    m_cache.insert(key, new MathFormula(formula), std::max<qsizetype>(1, items));
    ++m_typesetCount;
    Q_EMIT ready(key);
}

#include "mathtypesetter.moc"
