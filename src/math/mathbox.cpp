#include "math/mathbox.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <algorithm>
#include <functional>

// KaTeX's HTML output laid out as katex.css lays it out, and drawn. KaTeX gives every measure
// in em: struts, vertical lists with their offsets over a 3 em strut, rules, margins, size
// changes; glyphs are measured in the KaTeX fonts, and pictures (radicals, braces, stretchy
// arrows) are SVG drawn with QtSvg.

namespace {

struct Node
{
    bool isText = false;
    QString tag;
    QStringList classes;
    QHash<QString, QString> style;
    QHash<QString, QString> attrs;
    QList<Node> children;
    QString text;
    QByteArray svg; // the whole <svg> element
    bool has(const QString &c) const { return classes.contains(c); }
};

QString unescape(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&#x27;"), QLatin1String("'"));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

class Parser
{
public:
    explicit Parser(const QString &html)
        : m_s(html)
    { }
    // The nodes up to the end tag of the element being read (KaTeX's output is well formed),
    // or to the end.
    QList<Node> parseChildren()
    {
        QList<Node> out;
        while (m_i < m_s.size()) {
            if (m_s.at(m_i) == u'<') {
                if (m_s.mid(m_i, 2) == QLatin1String("</")) {
                    const int end = m_s.indexOf(u'>', m_i);
                    m_i = end < 0 ? m_s.size() : end + 1;
                    return out;
                }
                out.append(parseElement());
            } else {
                const int next = m_s.indexOf(u'<', m_i);
                Node t;
                t.isText = true;
                t.text = unescape(m_s.mid(m_i, (next < 0 ? m_s.size() : next) - m_i));
                m_i = next < 0 ? m_s.size() : next;
                out.append(t);
            }
        }
        return out;
    }

private:
    Node parseElement()
    {
        const int start = m_i;
        const int end = m_s.indexOf(u'>', m_i);
        Node n;
        // A tag never closed ends the reading rather than starting it again.
        if (end < 0) {
            m_i = m_s.size();
            return n;
        }
        const QString head = m_s.mid(m_i + 1, end - m_i - 1);
        m_i = end + 1;
        static const QRegularExpression name(QStringLiteral("^([a-zA-Z]+)"));
        n.tag = name.match(head).captured(1);
        static const QRegularExpression attr(
            QStringLiteral("([a-zA-Z-:]+)=(\"([^\"]*)\"|'([^']*)')"));
        for (auto it = attr.globalMatch(head); it.hasNext();) {
            const auto m = it.next();
            const QString value = m.captured(3).isNull() ? m.captured(4) : m.captured(3);
            n.attrs.insert(m.captured(1), unescape(value));
        }
        n.classes = n.attrs.value(QStringLiteral("class")).split(u' ', Qt::SkipEmptyParts);
        for (const QString &decl :
             n.attrs.value(QStringLiteral("style")).split(u';', Qt::SkipEmptyParts)) {
            const int colon = decl.indexOf(u':');
            if (colon > 0)
                n.style.insert(decl.left(colon).trimmed(), decl.mid(colon + 1).trimmed());
        }
        // katex.css's spacing by class, under the element's own style.
        static const QHash<QString, QList<std::pair<QString, QString>>> classStyles{
            {QStringLiteral("root"),
             {{QStringLiteral("margin-left"), QStringLiteral("0.27777778em")},
              {QStringLiteral("margin-right"), QStringLiteral("-0.55555556em")}}},
            {QStringLiteral("x-arrow-pad"),
             {{QStringLiteral("padding-left"), QStringLiteral("0.5em")},
              {QStringLiteral("padding-right"), QStringLiteral("0.5em")}}},
            {QStringLiteral("boxpad"),
             {{QStringLiteral("padding-left"), QStringLiteral("0.3em")},
              {QStringLiteral("padding-right"), QStringLiteral("0.3em")}}},
            {QStringLiteral("cancel-pad"),
             {{QStringLiteral("padding-left"), QStringLiteral("0.2em")},
              {QStringLiteral("padding-right"), QStringLiteral("0.2em")}}},
            {QStringLiteral("cancel-lap"),
             {{QStringLiteral("margin-left"), QStringLiteral("-0.2em")},
              {QStringLiteral("margin-right"), QStringLiteral("-0.2em")}}},
            {QStringLiteral("anglpad"),
             {{QStringLiteral("padding-left"), QStringLiteral("0.03889em")},
              {QStringLiteral("padding-right"), QStringLiteral("0.03889em")}}},
        };
        for (const QString &cls : n.classes)
            for (const auto &[key, value] : classStyles.value(cls))
                if (!n.style.contains(key))
                    n.style.insert(key, value);
        const bool selfClosing = head.endsWith(u'/');
        if (n.tag == QLatin1String("svg")) {
            const int close = m_s.indexOf(QLatin1String("</svg>"), m_i);
            const int after = close < 0 ? m_s.size() : close + 6;
            n.svg = m_s.mid(start, after - start).toUtf8();
            m_i = after;
            return n;
        }
        if (!selfClosing)
            n.children = parseChildren();
        // A numbered environment's numbers are left empty for katex.css's counter, which
        // counts the equations of the block: (1), (2)…
        if (n.has(QStringLiteral("eqn-num")) && n.children.isEmpty()) {
            Node number;
            number.isText = true;
            number.text = QStringLiteral("(%1)").arg(++m_equationNumber);
            n.children.append(number);
        }
        return n;
    }

    QString m_s;
    int m_i = 0;
    int m_equationNumber = 0;
};

struct Context
{
    qreal em = 20;
    QString family = QStringLiteral("KaTeX_Main");
    bool italic = false;
    bool bold = false;
    // Invalid: the text colour the formula is painted with.
    QColor color;
    int align = 0; // 0 left, 1 center, 2 right
};

struct Item
{
    enum Kind { Text, Rule, Svg, Line, Frame } kind;
    QPointF at; // text: baseline start; rule/svg: top left
    QSizeF size;
    QString text;
    QFont font;
    QColor color;
    QByteArray svg;
    QRectF clip;
    QLineF line = {};
    qreal pen = 0;
    // A rule drawn as a dashed border (\hdashline, the ":" of an array's columns).
    bool dashed = false;
};

struct Box
{
    qreal width = 0, height = 0, depth = 0;
    QList<Item> items;
    void add(const Box &b, qreal dx, qreal dy) // dy: downward shift of b's baseline
    {
        for (Item it : b.items) {
            it.at += QPointF(dx, dy);
            if (!it.clip.isNull())
                it.clip.translate(dx, dy);
            items.append(it);
        }
    }
};

const qreal sizes[] = {0.5, 0.6, 0.7, 0.8, 0.9, 1.0, 1.2, 1.44, 1.728, 2.074, 2.488};

qreal emValue(const QString &v, qreal em)
{
    if (v.endsWith(QLatin1String("em")))
        return v.chopped(2).toDouble() * em;
    if (v.endsWith(QLatin1String("px")))
        return v.chopped(2).toDouble();
    return v.toDouble();
}

Context apply(const Node &n, Context c)
{
    int reset = -1, size = -1;
    for (const QString &cls : n.classes) {
        if (cls.startsWith(QLatin1String("reset-size")))
            reset = cls.mid(10).toInt();
        else if (cls.startsWith(QLatin1String("size")) && cls.size() <= 6)
            size = cls.mid(4).toInt();
    }
    if ((n.has(QStringLiteral("sizing")) || n.has(QStringLiteral("fontsize-ensurer"))) && reset > 0
        && size > 0)
        c.em *= sizes[size - 1] / sizes[reset - 1];
    static const QHash<QString, std::function<void(Context &)>> fonts{
        {QStringLiteral("mathnormal"),
         [](Context &c) {
             c.family = QStringLiteral("KaTeX_Math");
             c.italic = true;
         }},
        {QStringLiteral("mathit"),
         [](Context &c) {
             c.family = QStringLiteral("KaTeX_Main");
             c.italic = true;
         }},
        {QStringLiteral("mathrm"), [](Context &c) { c.italic = false; }},
        {QStringLiteral("mathbf"),
         [](Context &c) {
             c.family = QStringLiteral("KaTeX_Main");
             c.bold = true;
         }},
        {QStringLiteral("boldsymbol"),
         [](Context &c) {
             c.family = QStringLiteral("KaTeX_Math");
             c.bold = true;
             c.italic = true;
         }},
        {QStringLiteral("amsrm"), [](Context &c) { c.family = QStringLiteral("KaTeX_AMS"); }},
        {QStringLiteral("mathbb"), [](Context &c) { c.family = QStringLiteral("KaTeX_AMS"); }},
        {QStringLiteral("mathcal"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_Caligraphic"); }},
        {QStringLiteral("mathfrak"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_Fraktur"); }},
        {QStringLiteral("mathtt"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_Typewriter"); }},
        {QStringLiteral("mathscr"), [](Context &c) { c.family = QStringLiteral("KaTeX_Script"); }},
        {QStringLiteral("mathsf"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_SansSerif"); }},
        {QStringLiteral("textrm"), [](Context &c) { c.family = QStringLiteral("KaTeX_Main"); }},
        {QStringLiteral("textsf"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_SansSerif"); }},
        {QStringLiteral("texttt"),
         [](Context &c) { c.family = QStringLiteral("KaTeX_Typewriter"); }},
        {QStringLiteral("textbf"), [](Context &c) { c.bold = true; }},
        {QStringLiteral("textit"), [](Context &c) { c.italic = true; }},
        {QStringLiteral("mainrm"),
         [](Context &c) {
             c.family = QStringLiteral("KaTeX_Main");
             c.italic = false;
         }},
    };
    for (const QString &cls : n.classes)
        if (auto f = fonts.constFind(cls); f != fonts.constEnd())
            (*f)(c);
    if (n.has(QStringLiteral("delimsizing")) || n.has(QStringLiteral("op-symbol"))) {
        for (int s = 1; s <= 4; ++s)
            if (n.has(QStringLiteral("size%1").arg(s)))
                c.family = QStringLiteral("KaTeX_Size%1").arg(s);
        if (n.has(QStringLiteral("small-op")))
            c.family = QStringLiteral("KaTeX_Size1");
        if (n.has(QStringLiteral("large-op")))
            c.family = QStringLiteral("KaTeX_Size2");
        c.italic = false;
    }
    if (n.has(QStringLiteral("delim-size1")))
        c.family = QStringLiteral("KaTeX_Size1");
    if (n.has(QStringLiteral("delim-size4")))
        c.family = QStringLiteral("KaTeX_Size4");
    if (n.style.contains(QStringLiteral("color")))
        c.color = QColor(n.style.value(QStringLiteral("color")));
    if (n.has(QStringLiteral("mfrac")) || n.has(QStringLiteral("op-limits"))
        || n.has(QStringLiteral("accent")) || n.has(QStringLiteral("col-align-c"))
        || n.has(QStringLiteral("mover")) || n.has(QStringLiteral("munder")))
        c.align = 1;
    if (n.has(QStringLiteral("col-align-l")) || n.has(QStringLiteral("msupsub"))
        || n.has(QStringLiteral("svg-align")))
        c.align = 0;
    if (n.has(QStringLiteral("col-align-r")))
        c.align = 2;
    return c;
}

constexpr int textSize = 200;

// Qt's font engines work at whole pixel sizes, which would make a formula at 30.5 px 1.6 %
// too wide: glyphs are measured and drawn at a fixed large size and scaled to the em.
QFont fontOf(const Context &c)
{
    QFont f(c.family);
    f.setPixelSize(textSize);
    f.setItalic(c.italic);
    f.setBold(c.bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    return f;
}

Box layout(const Node &n, const Context &parent, qreal available = -1);

// Whether a piece of a vertical list takes the column's width (a rule, a stretchy picture),
// so it is laid out once the column's width is known.
bool needsColumnWidth(const Node &n)
{
    if (n.isText || n.has(QStringLiteral("vlist-t")))
        return false;
    for (const char *cls : {"frac-line", "hide-tail", "stretchy", "overline-line", "underline-line",
                            "hline", "hdashline"})
        if (n.has(QString::fromLatin1(cls)))
            return true;
    const QString width = n.style.value(QStringLiteral("width"));
    const bool holdsSvg = std::any_of(n.children.begin(), n.children.end(), [](const Node &child) {
        return child.tag == QLatin1String("svg");
    });
    if (holdsSvg && (width.isEmpty() || width.endsWith(u'%')))
        return true;
    return std::any_of(n.children.begin(), n.children.end(), needsColumnWidth);
}

// A vlist-t: rows of cells; the first cell's children are the stacked pieces.
Box layoutVList(const Node &table, const Context &c)
{
    Box box;
    struct Piece
    {
        Box b;
        qreal shift;
        bool fullWidth;
        const Node *node;
        Context ctx;
    };
    QList<Piece> pieces;
    qreal width = 0;
    bool first = true;
    for (const Node &row : table.children) {
        if (row.isText || !row.has(QStringLiteral("vlist-r")))
            continue;
        for (const Node &cell : row.children) {
            if (cell.isText || !cell.has(QStringLiteral("vlist")))
                continue;
            const qreal cellHeight
                = emValue(cell.style.value(QStringLiteral("height"), QStringLiteral("0")), c.em);
            if (first) {
                box.height = cellHeight;
                for (const Node &child : cell.children) {
                    if (child.isText)
                        continue;
                    const Context cc = apply(child, c);
                    const qreal top = emValue(
                        child.style.value(QStringLiteral("top"), QStringLiteral("0")), cc.em);
                    qreal pstrut = 0;
                    Box content;
                    bool full = false;
                    for (const Node &part : child.children) {
                        if (part.isText)
                            continue;
                        if (part.has(QStringLiteral("pstrut"))) {
                            pstrut = emValue(part.style.value(QStringLiteral("height")), cc.em);
                            continue;
                        }
                        if (needsColumnWidth(part))
                            full = true;
                        const Box b = layout(part, cc);
                        content.add(b, content.width, 0);
                        content.width += b.width;
                    }
                    // A piece's margin moves it inside the column, and so counts in its width.
                    const qreal pieceLeft = emValue(
                        child.style.value(QStringLiteral("margin-left"), QStringLiteral("0")),
                        cc.em);
                    if (!full)
                        width = qMax(width, content.width + pieceLeft);
                    pieces.append({content, top + pstrut, full, &child, cc});
                }
                first = false;
            } else {
                box.depth = cellHeight;
            }
        }
    }
    // Pieces that stretch to the column (rules, stretchy pictures) are laid out again at its width.
    for (Piece &p : pieces) {
        if (p.fullWidth) {
            Box content;
            for (const Node &part : p.node->children) {
                if (part.isText || part.has(QStringLiteral("pstrut")))
                    continue;
                const Box b = layout(part, p.ctx, width);
                content.add(b, content.width, 0);
                content.width += b.width;
            }
            p.b = content;
            width = qMax(width, content.width);
        }
    }
    for (const Piece &p : pieces) {
        qreal x = 0;
        if (c.align == 1)
            x = (width - p.b.width) / 2;
        else if (c.align == 2)
            x = width - p.b.width;
        const qreal left
            = emValue(p.node->style.value(QStringLiteral("left"), QStringLiteral("0")), p.ctx.em);
        const qreal marginLeft = emValue(
            p.node->style.value(QStringLiteral("margin-left"), QStringLiteral("0")), p.ctx.em);
        box.add(p.b, x + left + marginLeft, p.shift);
    }
    box.width = width;
    return box;
}

Box layoutSvgHolder(const Node &n, const Context &c, qreal available)
{
    Box box;
    qreal width = available >= 0 ? available : 0;
    if (n.style.contains(QStringLiteral("width"))
        && !n.style.value(QStringLiteral("width")).endsWith(u'%'))
        width = emValue(n.style.value(QStringLiteral("width")), c.em);
    if (n.style.contains(QStringLiteral("min-width")))
        width = qMax(width, emValue(n.style.value(QStringLiteral("min-width")), c.em));
    const qreal height
        = emValue(n.style.value(QStringLiteral("height"), QStringLiteral("0")), c.em);
    qreal x = 0;
    for (const Node &child : n.children) {
        if (child.tag == QLatin1String("svg")) {
            Item it;
            it.kind = Item::Svg;
            // katex.css: an svg is as wide as its holder and as high ("height: inherit").
            it.at = QPointF(x, -height);
            it.size = QSizeF(width, height);
            it.svg = child.svg;
            it.color = c.color;
            // A line in per cent of the picture with an em stroke (\cancel): QtSvg knows
            // neither, so it is drawn here.
            if (child.svg.contains("<line")) {
                static const QRegularExpression lineRe(
                    QStringLiteral("<line x1='([^']*)' y1='([^']*)' x2='([^']*)' y2='([^']*)' "
                                   "stroke-width='([^']*)'"));
                for (auto m = lineRe.globalMatch(QString::fromUtf8(child.svg)); m.hasNext();) {
                    const auto match = m.next();
                    const auto coordinate = [&](int i, qreal extent) {
                        const QString v = match.captured(i);
                        return v.endsWith(u'%') ? v.chopped(1).toDouble() / 100 * extent
                                                : emValue(v, c.em);
                    };
                    Item line;
                    line.kind = Item::Line;
                    line.at = QPointF(x, -height);
                    line.line = QLineF(coordinate(1, width), coordinate(2, height),
                                       coordinate(3, width), coordinate(4, height));
                    line.pen = emValue(match.captured(5), c.em);
                    line.color = c.color;
                    box.items.append(line);
                }
                continue;
            }
            it.clip = QRectF(0, -height, width, height);
            box.items.append(it);
        } else if (!child.isText) {
            // Parts of a stretchy picture over each other (katex.css: brace-left 25.1 % at the
            // left, brace-center 50 % from a quarter, brace-right 25.1 % at the right, the
            // halves of a two-headed arrow 50.2 % each).
            struct Place
            {
                const char *cls;
                qreal left;
                qreal share;
                bool fromRight;
            };
            static const Place places[] = {{"brace-left", 0, 0.251, false},
                                           {"brace-center", 0.25, 0.5, false},
                                           {"brace-right", 0, 0.251, true},
                                           {"halfarrow-left", 0, 0.502, false},
                                           {"halfarrow-right", 0, 0.502, true}};
            qreal partLeft = 0, partWidth = width;
            for (const Place &place : places) {
                if (child.has(QString::fromLatin1(place.cls))) {
                    partWidth = width * place.share;
                    partLeft = place.fromRight ? width - partWidth : width * place.left;
                }
            }
            Box part = layoutSvgHolder(child, c, partWidth);
            box.add(part, partLeft, 0);
        }
    }
    box.width = width;
    box.height = height;
    return box;
}

Box layout(const Node &n, const Context &parent, qreal available)
{
    if (n.isText) {
        Box b;
        QString text = n.text;
        text.remove(QChar(0x200b));
        if (text.isEmpty())
            return b;
        const QFont font = fontOf(parent);
        const QFontMetricsF m(font);
        const qreal scale = parent.em / textSize;
        b.width = m.horizontalAdvance(text) * scale;
        b.height = m.ascent() * scale;
        b.depth = m.descent() * scale;
        Item item{Item::Text, QPointF(0, 0), {}, text, font, parent.color, {}, {}};
        // The scale the glyphs are drawn at.
        item.pen = scale;
        b.items.append(item);
        return b;
    }
    const Context c = apply(n, parent);
    if (n.has(QStringLiteral("katex-mathml")))
        return {};
    if (n.has(QStringLiteral("strut"))) {
        Box b;
        const qreal h = emValue(n.style.value(QStringLiteral("height"), QStringLiteral("0")), c.em);
        const qreal v
            = emValue(n.style.value(QStringLiteral("vertical-align"), QStringLiteral("0")), c.em);
        b.height = h + v;
        b.depth = -v;
        return b;
    }
    if (n.has(QStringLiteral("vlist-t")))
        return layoutVList(n, c);
    // A frame (\boxed, \fbox) or a background (\colorbox) as wide as its column.
    if (n.has(QStringLiteral("fbox")) || n.has(QStringLiteral("fcolorbox"))
        || n.has(QStringLiteral("colorbox"))) {
        Box box;
        box.width = available >= 0 ? available : 0;
        box.height = emValue(n.style.value(QStringLiteral("height"), QStringLiteral("0")), c.em);
        Item frame;
        frame.kind = Item::Frame;
        frame.at = QPointF(0, -box.height);
        frame.size = QSizeF(box.width, box.height);
        frame.color = n.style.contains(QStringLiteral("border-color"))
            ? QColor(n.style.value(QStringLiteral("border-color")))
            : c.color;
        frame.pen = n.has(QStringLiteral("colorbox"))
            ? 0
            : emValue(n.style.value(QStringLiteral("border-width"), QStringLiteral("0.04em")),
                      c.em);
        frame.text = n.style.value(QStringLiteral("background-color"));
        box.items.append(frame);
        return box;
    }
    const bool holdsSvg = std::any_of(n.children.begin(), n.children.end(), [](const Node &child) {
        return child.tag == QLatin1String("svg");
    });
    if (holdsSvg || n.has(QStringLiteral("stretchy")) || n.has(QStringLiteral("brace-left"))
        || n.has(QStringLiteral("halfarrow-left")))
        return layoutSvgHolder(n, c, available);
    Box box;
    if (n.has(QStringLiteral("frac-line")) || n.has(QStringLiteral("overline-line"))
        || n.has(QStringLiteral("underline-line")) || n.has(QStringLiteral("hline"))
        || n.has(QStringLiteral("hdashline"))) {
        const qreal thickness = emValue(
            n.style.value(QStringLiteral("border-bottom-width"), QStringLiteral("0.04em")), c.em);
        box.width = available >= 0 ? available : 0;
        box.height = thickness;
        Item rule;
        rule.kind = Item::Rule;
        rule.at = QPointF(0, -thickness);
        rule.size = QSizeF(box.width, thickness);
        rule.color = c.color;
        rule.dashed = n.has(QStringLiteral("hdashline"));
        box.items.append(rule);
        return box;
    }
    // The rule between an array's columns: a border as tall as the row, set like a strut.
    if (n.has(QStringLiteral("vertical-separator"))) {
        const qreal width = emValue(
            n.style.value(QStringLiteral("border-right-width"), QStringLiteral("0.04em")), c.em);
        const qreal height
            = emValue(n.style.value(QStringLiteral("height"), QStringLiteral("0")), c.em);
        const qreal align
            = emValue(n.style.value(QStringLiteral("vertical-align"), QStringLiteral("0")), c.em);
        box.width = width;
        box.height = height + align;
        box.depth = -align;
        Item rule;
        rule.kind = Item::Rule;
        rule.at = QPointF(0, -box.height);
        rule.size = QSizeF(width, height);
        rule.color = c.color;
        rule.dashed
            = n.style.value(QStringLiteral("border-right-style")) == QLatin1String("dashed");
        box.items.append(rule);
        return box;
    }
    // \rule: a box drawn by its borders, raised by "bottom".
    if (n.has(QStringLiteral("rule"))) {
        const qreal width = emValue(
            n.style.value(QStringLiteral("border-right-width"), QStringLiteral("0")), c.em);
        const qreal height = qMax(
            1.0,
            emValue(n.style.value(QStringLiteral("border-top-width"), QStringLiteral("0")), c.em));
        const qreal raise
            = emValue(n.style.value(QStringLiteral("bottom"), QStringLiteral("0")), c.em);
        box.width = width;
        box.height = height + raise;
        Item rule;
        rule.kind = Item::Rule;
        rule.at = QPointF(0, -raise - height);
        rule.size = QSizeF(width, height);
        rule.color = c.color;
        box.items.append(rule);
        return box;
    }
    // Overlaps (\mathllap, \mathrlap, \mathclap, \not, \vphantom): no width of their own; the
    // inner part ends at, starts at or is centred on their place.
    if (n.has(QStringLiteral("llap")) || n.has(QStringLiteral("rlap"))
        || n.has(QStringLiteral("clap"))) {
        for (const Node &child : n.children) {
            if (child.isText || !child.has(QStringLiteral("inner")))
                continue;
            const Box inner = layout(child, c, available);
            qreal x = 0;
            if (n.has(QStringLiteral("llap")))
                x = -inner.width;
            else if (n.has(QStringLiteral("clap")))
                x = -inner.width / 2;
            box.add(inner, x, 0);
            box.height = qMax(box.height, inner.height);
            box.depth = qMax(box.depth, inner.depth);
        }
        return box;
    }
    if (n.has(QStringLiteral("thinbox"))) {
        Box inner;
        for (const Node &child : n.children) {
            const Box b = layout(child, c, available);
            inner.add(b, 0, 0);
            inner.height = qMax(inner.height, b.height);
            inner.depth = qMax(inner.depth, b.depth);
        }
        inner.width = 0;
        return inner;
    }
    if (n.has(QStringLiteral("nulldelimiter"))) {
        box.width = 0.12 * c.em;
        return box;
    }
    const auto value = [&c](const Node &node, const char *key) {
        return emValue(node.style.value(QString::fromLatin1(key), QStringLiteral("0")),
                       apply(node, c).em);
    };
    qreal x = emValue(n.style.value(QStringLiteral("padding-left"), QStringLiteral("0")), c.em);
    for (const Node &child : n.children) {
        Box b = layout(child, c, available);
        qreal shift = 0;
        qreal dx = 0;
        if (!child.isText) {
            x += value(child, "margin-left");
            if (child.style.contains(QStringLiteral("top")) && !child.has(QStringLiteral("vlist")))
                shift = value(child, "top");
            dx = value(child, "left");
            if (child.style.contains(QStringLiteral("width"))
                && !child.style.value(QStringLiteral("width")).endsWith(u'%'))
                b.width = value(child, "width");
            if (child.has(QStringLiteral("accent-body"))
                && !child.has(QStringLiteral("accent-full")))
                b.width = 0;
        }
        box.add(b, x + dx, shift);
        x += b.width;
        if (!child.isText)
            x += value(child, "margin-right");
        box.height = qMax(box.height, b.height - shift);
        box.depth = qMax(box.depth, b.depth + shift);
    }
    box.width
        = x + emValue(n.style.value(QStringLiteral("padding-right"), QStringLiteral("0")), c.em);
    return box;
}

void paintBox(QPainter &painter, const Box &box, QPointF origin, const QColor &text)
{
    for (const Item &it : box.items) {
        switch (it.kind) {
        case Item::Text:
            painter.save();
            painter.translate(origin + it.at);
            painter.scale(it.pen, it.pen);
            painter.setFont(it.font);
            painter.setPen(it.color.isValid() ? it.color : text);
            painter.drawText(QPointF(0, 0), it.text);
            painter.restore();
            break;
        case Item::Rule: {
            const QRectF rule(origin + it.at, it.size);
            const QColor colour = it.color.isValid() ? it.color : text;
            if (!it.dashed) {
                painter.fillRect(rule, colour);
                break;
            }
            // Dashes three times as long as the rule is thick, two thicknesses apart, as a
            // browser draws a dashed border.
            const bool across = rule.width() >= rule.height();
            const qreal thickness = across ? rule.height() : rule.width();
            const qreal length = across ? rule.width() : rule.height();
            for (qreal at = 0; at < length; at += 5 * thickness) {
                const qreal dash = std::min(3 * thickness, length - at);
                painter.fillRect(across ? QRectF(rule.left() + at, rule.top(), dash, thickness)
                                        : QRectF(rule.left(), rule.top() + at, thickness, dash),
                                 colour);
            }
            break;
        }
        case Item::Line:
            painter.setPen(QPen(it.color.isValid() ? it.color : text, it.pen));
            painter.drawLine(it.line.translated(origin + it.at));
            break;
        case Item::Frame: {
            const QRectF rect(origin + it.at, it.size);
            if (!it.text.isEmpty())
                painter.fillRect(rect, QColor(it.text));
            if (it.pen > 0) {
                // The border lies inside the box (box-sizing: border-box).
                painter.setPen(QPen(it.color.isValid() ? it.color : text, it.pen));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(rect.adjusted(it.pen / 2, it.pen / 2, -it.pen / 2, -it.pen / 2));
            }
            break;
        }
        case Item::Svg: {
            QByteArray svg = it.svg;
            const QByteArray colour = (it.color.isValid() ? it.color : text).name().toUtf8();
            svg.replace("currentColor", colour);
            if (!svg.contains("fill="))
                svg.replace("<path ", "<path fill='" + colour + "' ");
            // QtSvg knows no em: the size attributes go, the view box stays.
            static const QRegularExpression sizeAttr(QStringLiteral(" (width|height)='[^']*'"));
            static const QRegularExpression styleAttr(QStringLiteral(" style='[^']*'"));
            QString markup = QString::fromUtf8(svg);
            const int headEnd = markup.indexOf(u'>');
            QString head = markup.left(headEnd);
            head.remove(sizeAttr);
            head.remove(styleAttr);
            markup = head + markup.mid(headEnd);
            QSvgRenderer renderer(markup.toUtf8());
            const QRectF view = renderer.viewBoxF();
            const QRectF target(origin + it.at, it.size);
            QRectF drawn = target;
            if (!it.svg.contains("preserveAspectRatio='none'")) {
                const qreal sx = target.width() / view.width(),
                            sy = target.height() / view.height();
                const qreal scale = it.svg.contains("slice") ? qMax(sx, sy) : qMin(sx, sy);
                drawn = QRectF(target.topLeft(), view.size() * scale);
                if (it.svg.contains("xMax"))
                    drawn.moveRight(target.right());
                else if (it.svg.contains("xMid"))
                    drawn.moveLeft(target.center().x() - drawn.width() / 2);
            }
            // Only the part that shows is drawn: a tail 400 em long would lose its precision.
            const QRectF visible = QRectF(origin + it.clip.topLeft(), it.clip.size())
                                       .intersected(target)
                                       .intersected(drawn);
            if (visible.isEmpty())
                break;
            const qreal scaleX = drawn.width() / view.width(),
                        scaleY = drawn.height() / view.height();
            renderer.setViewBox(QRectF(view.x() + (visible.x() - drawn.x()) / scaleX,
                                       view.y() + (visible.y() - drawn.y()) / scaleY,
                                       visible.width() / scaleX, visible.height() / scaleY));
            painter.save();
            // QtSvg draws beyond its view box: the clip keeps the tail inside.
            painter.setClipRect(visible);
            renderer.render(&painter, visible);

            painter.restore();
            break;
        }
        }
    }
}

} // namespace

struct MathBox::Data
{
    Box box;
};

namespace {

Node *findClass(QList<Node> &nodes, const QString &cls)
{
    for (Node &node : nodes) {
        if (node.isText)
            continue;
        if (node.has(cls))
            return &node;
        if (Node *found = findClass(node.children, cls))
            return found;
    }
    return nullptr;
}

Box layoutRoots(const QList<Node> &roots, qreal em)
{
    Context context;
    context.em = em;
    Box box;
    for (const Node &root : roots) {
        const Box part = layout(root, context);
        box.add(part, box.width, 0);
        box.width += part.width;
        box.height = qMax(box.height, part.height);
        box.depth = qMax(box.depth, part.depth);
    }
    return box;
}

} // namespace

MathBox MathBox::fromKatexHtml(const QString &html, qreal em, MathBox *tag)
{
    Parser parser(html);
    QList<Node> roots = parser.parseChildren();
    if (tag) {
        *tag = {};
        // A display formula's number (\tag, or a numbered environment's column of them) is
        // the last child of its body, which a browser places at the block's right edge.
        if (Node *body = findClass(roots, QStringLiteral("katex-html"))) {
            const auto number
                = std::find_if(body->children.begin(), body->children.end(), [](const Node &node) {
                      return !node.isText && node.has(QStringLiteral("tag"));
                  });
            if (number != body->children.end()) {
                auto data = std::make_shared<Data>();
                data->box = layoutRoots({*number}, em);
                tag->d = std::move(data);
                body->children.erase(number);
            }
        }
    }
    auto data = std::make_shared<Data>();
    data->box = layoutRoots(roots, em);
    MathBox result;
    result.d = std::move(data);
    return result;
}

QList<MathBox> MathBox::piecesFromKatexHtml(const QString &html, qreal em)
{
    Parser parser(html);
    QList<Node> roots = parser.parseChildren();
    const Node *body = findClass(roots, QStringLiteral("katex-html"));
    if (!body)
        return {fromKatexHtml(html, em)};
    QList<MathBox> pieces;
    for (const Node &child : body->children) {
        if (child.isText)
            continue;
        MathBox piece;
        auto data = std::make_shared<Data>();
        data->box = layoutRoots({child}, em);
        piece.d = std::move(data);
        pieces.append(piece);
    }
    return pieces;
}

qsizetype MathBox::itemCount() const
{
    return d ? d->box.items.size() : 0;
}

qreal MathBox::width() const
{
    return d ? d->box.width : 0;
}

qreal MathBox::height() const
{
    return d ? d->box.height : 0;
}

qreal MathBox::depth() const
{
    return d ? d->box.depth : 0;
}

void MathBox::paint(QPainter &painter, QPointF baseline, const QColor &text) const
{
    if (!d)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    paintBox(painter, d->box, baseline, text);
    painter.restore();
}
