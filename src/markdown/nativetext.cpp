#include "markdown/nativetext.h"

using namespace Qt::StringLiterals;

namespace {

// A font family goes into a quoted CSS string inside an attribute; names never need
// quotes or backslashes, so those are dropped rather than escaped twice over.
QString cssFamily(const QString &family)
{
    QString out;
    for (const QChar ch : family) {
        if (ch != u'\'' && ch != u'"' && ch != u'\\' && ch != u';' && ch != u'<' && ch != u'>'
            && ch != u'&')
            out += ch;
    }
    return out;
}

// Colours come from the style data, but a malformed name must not break out of the style
// attribute either.
QString cssColor(const QString &color)
{
    for (const QChar ch : color) {
        if (!ch.isLetterOrNumber() && ch != u'#')
            return u"inherit"_s;
    }
    return color.isEmpty() ? u"inherit"_s : color;
}

const auto formulaScheme = QStringLiteral("velm-formula:");

} // namespace

namespace NativeText {

QString htmlEscape(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        case u'\'':
            out += u"&#39;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

QStringList formulas(const QList<MDSpan> &spans)
{
    QStringList out;
    for (const MDSpan &span : spans) {
        if (span.kind() == MDSpan::Kind::Math)
            out.append(span.latex());
    }
    return out;
}

QString formulaImageName(qsizetype index)
{
    return formulaScheme + QString::number(index);
}

qsizetype formulaIndex(QStringView imageName)
{
    if (!imageName.startsWith(formulaScheme))
        return -1;
    bool ok = false;
    const qsizetype index = imageName.mid(formulaScheme.size()).toLongLong(&ok);
    return ok && index >= 0 ? index : -1;
}

QString spansHTML(const QList<MDSpan> &spans, const NativeTextStyle &style)
{
    const QString accent = cssColor(style.accentColor);
    const QString codeOpen = u"<span style=\"font-family:'"_s + cssFamily(style.codeFontFamily)
        + u"'; font-size:"_s + QString::number(style.codePixelSize) + u"px; color:"_s + accent
        + u";\">"_s;
    const QString linkOpen
        = u"<span style=\"color:"_s + accent + u"; text-decoration:underline;\">"_s;

    QString out;
    qsizetype formula = 0;
    for (const MDSpan &span : spans) {
        const QString text = htmlEscape(span.text());
        switch (span.kind()) {
        case MDSpan::Kind::Plain:
            out += text;
            break;
        case MDSpan::Kind::Math:
            // A size of its own, so that the document never asks for an image it cannot have.
            out += u"<img src=\""_s + formulaImageName(formula++)
                + u"\" width=\"1\" height=\"1\">"_s;
            break;
        case MDSpan::Kind::Bold:
            out += u"<b>"_s + text + u"</b>"_s;
            break;
        case MDSpan::Kind::Italic:
            out += u"<i>"_s + text + u"</i>"_s;
            break;
        case MDSpan::Kind::BoldItalic:
            out += u"<b><i>"_s + text + u"</i></b>"_s;
            break;
        case MDSpan::Kind::Code:
            out += codeOpen + text + u"</span>"_s;
            break;
        case MDSpan::Kind::Link:
            out += linkOpen + text + u"</span>"_s;
            break;
        }
    }
    return out;
}

} // namespace NativeText
