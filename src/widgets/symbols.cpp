#include "widgets/symbols.h"

#include <QFile>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

// Design name → Lucide file name, read once from the embedded table.
const QHash<QString, QString> &symbolTable()
{
    static const QHash<QString, QString> table = [] {
        QHash<QString, QString> result;
        QFile file(u":/symbols/symbols.map"_s);
        if (!file.open(QIODevice::ReadOnly))
            return result;
        const QString text = QString::fromUtf8(file.readAll());
        for (QStringView line : QStringView(text).split(u'\n')) {
            line = line.trimmed();
            if (line.isEmpty() || line.startsWith(u'#'))
                continue;
            const auto fields = line.split(u' ', Qt::SkipEmptyParts);
            if (fields.size() == 2)
                result.insert(fields.at(0).toString(), fields.at(1).toString());
        }
        return result;
    }();
    return table;
}

qreal strokeWidth(Symbols::Weight weight)
{
    switch (weight) {
    case Symbols::Weight::Regular:
        return 1.75;
    case Symbols::Weight::Medium:
        return 2.0;
    case Symbols::Weight::Semibold:
        return 2.3;
    case Symbols::Weight::Bold:
        return 2.6;
    }
    return 2.0;
}

// The SVG of `path` with its stroke in `color` and the stroke width of `weight`. The files
// draw in "currentColor" with stroke-width 2; opacity is applied by the painter instead, so
// overlapping strokes do not darken.
QByteArray tintedSvg(const QString &path, const QColor &color, Symbols::Weight weight)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    svg.replace("stroke-width=\"2\"",
                "stroke-width=\"" + QByteArray::number(strokeWidth(weight)) + '"');
    return svg;
}

class SymbolIconEngine : public QIconEngine
{
public:
    SymbolIconEngine(QString name, QColor color, Symbols::Weight weight)
        : m_name(std::move(name))
        , m_color(color)
        , m_weight(weight)
    { }

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        const int side = qMin(rect.width(), rect.height());
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap image = Symbols::pixmap(m_name, side, colorFor(mode), ratio, m_weight);
        painter->drawPixmap(QRect(rect.x() + (rect.width() - side) / 2,
                                  rect.y() + (rect.height() - side) / 2, side, side),
                            image);
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State) override
    {
        return Symbols::pixmap(m_name, qMin(size.width(), size.height()), colorFor(mode), 1.0,
                               m_weight);
    }

    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State, qreal scale) override
    {
        return Symbols::pixmap(m_name, qMin(size.width(), size.height()), colorFor(mode), scale,
                               m_weight);
    }

    QIconEngine *clone() const override { return new SymbolIconEngine(m_name, m_color, m_weight); }
    QString key() const override { return u"velm-symbol"_s; }
    bool isNull() override { return !Symbols::contains(m_name); }

private:
    QColor colorFor(QIcon::Mode mode) const
    {
        if (mode != QIcon::Disabled)
            return m_color;
        QColor dimmed = m_color;
        dimmed.setAlphaF(m_color.alphaF() * 0.35f);
        return dimmed;
    }

    QString m_name;
    QColor m_color;
    Symbols::Weight m_weight;
};

} // namespace

namespace Symbols {

bool contains(QStringView name)
{
    const QString path = resourcePath(name);
    return !path.isEmpty() && QFile::exists(path);
}

QString resourcePath(QStringView name)
{
    const QString file = symbolTable().value(name.toString());
    return file.isEmpty() ? QString() : u":/symbols/"_s + file + u".svg"_s;
}

QPixmap pixmap(QStringView name, int size, const QColor &color, qreal devicePixelRatio,
               Weight weight)
{
    size = qMax(size, 1);
    devicePixelRatio = qMax(devicePixelRatio, 1.0);
    const QString cacheKey = u"velm-symbol:%1:%2:%3:%4:%5"_s.arg(name)
                                 .arg(size)
                                 .arg(color.rgba(), 8, 16)
                                 .arg(devicePixelRatio)
                                 .arg(int(weight));
    QPixmap result;
    if (QPixmapCache::find(cacheKey, &result))
        return result;

    const int side = qCeil(size * devicePixelRatio);
    result = QPixmap(side, side);
    result.fill(Qt::transparent);
    const QString path = resourcePath(name);
    if (!path.isEmpty()) {
        QSvgRenderer renderer(tintedSvg(path, color, weight));
        if (renderer.isValid()) {
            QPainter painter(&result);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setOpacity(color.alphaF());
            renderer.render(&painter, QRectF(0, 0, side, side));
        }
    }
    result.setDevicePixelRatio(devicePixelRatio);
    QPixmapCache::insert(cacheKey, result);
    return result;
}

QIcon icon(QStringView name, const QColor &color, Weight weight)
{
    return QIcon(new SymbolIconEngine(name.toString(), color, weight));
}

} // namespace Symbols
