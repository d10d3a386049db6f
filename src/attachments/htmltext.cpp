#include "attachments/htmltext.h"

#include <algorithm>
#include <array>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace HtmlText {

namespace {

bool isHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiAlphanumeric(QChar c)
{
    return isAsciiLetter(c) || (c >= u'0' && c <= u'9');
}

// The named references that text outside of code pages commonly uses; others are rare
// enough to be left as they are written.
constexpr std::array<std::pair<QStringView, char32_t>, 54> namedReferences{{
    {u"amp", U'&'},       {u"lt", U'<'},        {u"gt", U'>'},        {u"quot", U'"'},
    {u"apos", U'\''},     {u"nbsp", U'\u00A0'}, {u"shy", U'\u00AD'},  {u"copy", U'©'},
    {u"reg", U'®'},       {u"trade", U'™'},     {u"hellip", U'…'},    {u"mdash", U'—'},
    {u"ndash", U'–'},     {u"lsquo", U'‘'},     {u"rsquo", U'’'},     {u"sbquo", U'‚'},
    {u"ldquo", U'“'},     {u"rdquo", U'”'},     {u"bdquo", U'„'},     {u"laquo", U'«'},
    {u"raquo", U'»'},     {u"lsaquo", U'‹'},    {u"rsaquo", U'›'},    {u"bull", U'•'},
    {u"middot", U'·'},    {u"deg", U'°'},       {u"plusmn", U'±'},    {u"times", U'×'},
    {u"divide", U'÷'},    {u"minus", U'−'},     {u"euro", U'€'},      {u"pound", U'£'},
    {u"yen", U'¥'},       {u"cent", U'¢'},      {u"sect", U'§'},      {u"para", U'¶'},
    {u"micro", U'µ'},     {u"frac12", U'½'},    {u"frac14", U'¼'},    {u"frac34", U'¾'},
    {u"larr", U'←'},      {u"rarr", U'→'},      {u"uarr", U'↑'},      {u"darr", U'↓'},
    {u"le", U'≤'},        {u"ge", U'≥'},        {u"ne", U'≠'},        {u"asymp", U'≈'},
    {u"infin", U'∞'},     {u"ensp", U'\u2002'}, {u"emsp", U'\u2003'}, {u"thinsp", U'\u2009'},
    {u"zwnj", U'\u200C'}, {u"zwj", U'\u200D'},
}};

void appendCodePoint(QString &text, char32_t codePoint)
{
    // What HTML does with a reference to no character: the replacement character.
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        codePoint = 0xFFFD;
    text.append(QChar::fromUcs4(codePoint));
}

int digitValue(QChar c, bool hex)
{
    if (c >= u'0' && c <= u'9')
        return c.unicode() - u'0';
    const QChar lower = c.toLower();
    if (hex && lower >= u'a' && lower <= u'f')
        return lower.unicode() - u'a' + 10;
    return -1;
}

// The length of the numeric reference "&#…;" or "&#x…;" at `start`, its code point in
// `codePoint`; 0 when there is none. The semicolon may be missing, as browsers allow.
qsizetype numericReference(QStringView text, qsizetype start, char32_t &codePoint)
{
    qsizetype i = start + 2;
    const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
    if (hex)
        ++i;
    const qsizetype digitsStart = i;
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], hex);
        if (digit < 0)
            break;
        value = std::min<quint64>(value * (hex ? 16 : 10) + digit, 0x110000);
    }
    if (i == digitsStart)
        return 0;
    if (i < text.size() && text[i] == u';')
        ++i;
    codePoint = char32_t(value);
    return i - start;
}

QString decodeReferences(QStringView text)
{
    QString decoded;
    decoded.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype amp = text.indexOf(u'&', i);
        if (amp < 0) {
            decoded.append(text.mid(i));
            break;
        }
        decoded.append(text.mid(i, amp - i));
        i = amp + 1;
        if (i < text.size() && text[i] == u'#') {
            char32_t codePoint = 0;
            if (const qsizetype length = numericReference(text, amp, codePoint)) {
                appendCodePoint(decoded, codePoint);
                i = amp + length;
                continue;
            }
        } else {
            qsizetype end = i;
            while (end < text.size() && end - i < 8 && isAsciiAlphanumeric(text[end]))
                ++end;
            if (end < text.size() && text[end] == u';') {
                const QStringView name = text.mid(i, end - i);
                const auto found = std::find_if(
                    namedReferences.cbegin(), namedReferences.cend(),
                    [name](const auto &reference) { return reference.first == name; });
                if (found != namedReferences.cend()) {
                    if (found->second != U'\u00AD')
                        appendCodePoint(decoded, found->second);
                    i = end + 1;
                    continue;
                }
            }
        }
        decoded.append(u'&');
    }
    return decoded;
}

// The text as it is laid out: a run of white space is one space, none at the start or end
// of a line; breaks asked for in a row make one, and never more than one empty line.
class TextBuilder
{
public:
    void text(QStringView run)
    {
        for (const QChar c : run) {
            if (isHtmlSpace(c))
                m_space = true;
            else
                append(c == u'\u00A0' ? u' ' : c);
        }
    }

    // Inside <pre>, where white space and line ends are the text's own.
    void preformatted(QStringView run)
    {
        for (qsizetype i = 0; i < run.size(); ++i) {
            if (run[i] == u'\r') {
                if (i + 1 < run.size() && run[i + 1] == u'\n')
                    continue;
                appendRaw(u'\n');
            } else {
                appendRaw(run[i] == u'\u00A0' ? u' ' : run[i]);
            }
        }
    }

    // At least `count` line ends before the next text: 1 ends the line, 2 leaves an empty one.
    void lineBreak(int count)
    {
        m_breaks = std::max(m_breaks, count);
        m_space = false;
        m_cell = false;
    }

    // <br>: each one ends a line, even an empty one.
    void forcedBreak()
    {
        m_breaks = std::min(m_breaks + 1, 2);
        m_space = false;
    }

    // A table cell after another on the same line is set off by a tab.
    void cell()
    {
        if (!m_out.isEmpty() && m_breaks == 0)
            m_cell = true;
    }

    QString result()
    {
        while (!m_out.isEmpty() && isHtmlSpace(m_out.back()))
            m_out.chop(1);
        return m_out;
    }

private:
    void append(QChar c)
    {
        if (!m_out.isEmpty()) {
            if (m_breaks > 0)
                flushBreaks();
            else if (m_cell)
                m_out.append(u'\t');
            else if (m_space)
                m_out.append(u' ');
        }
        m_breaks = 0;
        m_space = false;
        m_cell = false;
        m_out.append(c);
    }

    void appendRaw(QChar c)
    {
        if (!m_out.isEmpty() && m_breaks > 0)
            flushBreaks();
        m_breaks = 0;
        m_space = false;
        m_cell = false;
        m_out.append(c);
    }

    void flushBreaks()
    {
        while (!m_out.isEmpty() && (m_out.back() == u' ' || m_out.back() == u'\t'))
            m_out.chop(1);
        int present = 0;
        for (qsizetype i = m_out.size() - 1; i >= 0 && m_out[i] == u'\n' && present < 2; --i)
            ++present;
        for (int i = present; i < m_breaks; ++i)
            m_out.append(u'\n');
    }

    QString m_out;
    int m_breaks = 0;
    bool m_space = false;
    bool m_cell = false;
};

// Where the tag whose name ends at `from` ends: after its '>', past quoted attribute values
// that may hold one.
qsizetype tagEnd(QStringView html, qsizetype from)
{
    QChar previous;
    for (qsizetype i = from; i < html.size(); ++i) {
        const QChar c = html[i];
        if (c == u'>')
            return i + 1;
        if ((c == u'"' || c == u'\'') && previous == u'=') {
            const qsizetype close = html.indexOf(c, i + 1);
            if (close < 0)
                return html.size();
            i = close;
        }
        if (!isHtmlSpace(c))
            previous = c;
    }
    return html.size();
}

// Where the element whose content is not HTML (a script, a style) ends: after its end tag.
qsizetype rawTextEnd(QStringView html, qsizetype from, QStringView name)
{
    const QString endTag = u"</"_s + name.toString();
    for (qsizetype i = html.indexOf(endTag, from, Qt::CaseInsensitive); i >= 0;
         i = html.indexOf(endTag, i + 1, Qt::CaseInsensitive)) {
        const qsizetype after = i + endTag.size();
        if (after >= html.size() || !isAsciiAlphanumeric(html[after]))
            return tagEnd(html, after);
    }
    return html.size();
}

bool isOneOf(QStringView name, std::initializer_list<QStringView> names)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

// Elements whose content is never shown.
bool isHidden(QStringView name)
{
    return isOneOf(name, {u"script", u"style", u"title", u"template"});
}

// Elements that may stand in the head; any other start tag there begins the body.
bool belongsInHead(QStringView name)
{
    return isOneOf(name, {u"meta", u"link", u"base", u"noscript"});
}

bool isParagraph(QStringView name)
{
    return isOneOf(name, {u"p",       u"h1",      u"h2",         u"h3",      u"h4",     u"h5",
                          u"h6",      u"pre",     u"blockquote", u"table",   u"ul",     u"ol",
                          u"dl",      u"hr",      u"section",    u"article", u"header", u"footer",
                          u"nav",     u"aside",   u"main",       u"figure",  u"form",   u"address",
                          u"details", u"fieldset"});
}

bool isLine(QStringView name)
{
    return isOneOf(name,
                   {u"div", u"li", u"tr", u"dt", u"dd", u"caption", u"figcaption", u"summary",
                    u"option", u"legend", u"body", u"thead", u"tbody", u"tfoot"});
}

} // namespace

QString plainText(QStringView html)
{
    TextBuilder out;
    bool inHead = false;
    int preDepth = 0;
    qsizetype textStart = 0;
    const auto takeText = [&](qsizetype end) {
        if (end > textStart && !inHead) {
            const QString text = decodeReferences(html.mid(textStart, end - textStart));
            preDepth > 0 ? out.preformatted(text) : out.text(text);
        }
    };

    qsizetype i = 0;
    while (i < html.size()) {
        if (html[i] != u'<' || i + 1 >= html.size()) {
            ++i;
            continue;
        }
        const QChar next = html[i + 1];
        if (html.mid(i).startsWith(u"<!--")) {
            takeText(i);
            const qsizetype close = html.indexOf(u"-->", i + 4);
            i = textStart = close < 0 ? html.size() : close + 3;
            continue;
        }
        if (next == u'!' || next == u'?') {
            takeText(i);
            i = textStart = tagEnd(html, i + 2);
            continue;
        }
        const bool closing = next == u'/';
        const qsizetype nameStart = i + (closing ? 2 : 1);
        if (nameStart >= html.size() || !isAsciiLetter(html[nameStart])) {
            // A '<' of the text, as in "a < b".
            ++i;
            continue;
        }
        qsizetype nameEnd = nameStart;
        while (nameEnd < html.size() && isAsciiAlphanumeric(html[nameEnd]))
            ++nameEnd;
        const QString name = html.mid(nameStart, nameEnd - nameStart).toString().toLower();
        takeText(i);
        i = textStart = tagEnd(html, nameEnd);

        if (!closing && isHidden(name)) {
            i = textStart = rawTextEnd(html, i, name);
            continue;
        }
        if (name == u"head") {
            inHead = !closing;
            continue;
        }
        if (inHead) {
            if (closing || belongsInHead(name))
                continue;
            inHead = false;
        }
        if (name == u"pre")
            preDepth = std::max(0, preDepth + (closing ? -1 : 1));
        if (name == u"br") {
            out.forcedBreak();
        } else if (isParagraph(name)) {
            out.lineBreak(2);
        } else if (isLine(name)) {
            out.lineBreak(1);
            if (name == u"li" && !closing)
                out.text(u"- ");
        } else if ((name == u"td" || name == u"th") && !closing) {
            out.cell();
        }
    }
    takeText(html.size());
    return out.result();
}

} // namespace HtmlText
