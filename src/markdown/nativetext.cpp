#include "markdown/nativetext.h"

#include "markdown/mathpage.h"

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

} // namespace

namespace NativeText {

QString spansHTML(const QList<MDSpan> &spans, const NativeTextStyle &style)
{
    const QString accent = cssColor(style.accentColor);
    const QString codeOpen = u"<span style=\"font-family:'"_s + cssFamily(style.codeFontFamily)
        + u"'; font-size:"_s + QString::number(style.codePixelSize) + u"px; color:"_s + accent
        + u";\">"_s;
    const QString linkOpen
        = u"<span style=\"color:"_s + accent + u"; text-decoration:underline;\">"_s;

    QString out;
    for (const MDSpan &span : spans) {
        const QString text = MathPage::htmlEscape(span.text());
        switch (span.kind()) {
        case MDSpan::Kind::Plain:
        case MDSpan::Kind::Math: // never here: blocks with math are drawn as math pages
            out += text;
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
