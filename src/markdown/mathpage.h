#pragma once

#include "markdown/katexhtmlstyle.h"
#include "markdown/mdblock.h"

#include <QString>
#include <QStringView>

// The small HTML page that typesets one block's math with KaTeX. Every model-supplied string
// goes through htmlEscape, so an answer can never add markup, scripts or attributes; on top
// of that the page's content security policy runs no script but its own and KaTeX's.
namespace MathPage {

// "&" first, then "<", ">", the double quote and the apostrophe, so nothing is escaped twice.
QString htmlEscape(QStringView text);

// The element KaTeX renders: the LaTeX source travels as its text, hidden until typeset.
QString mathSpanHTML(QStringView latex, bool display);

QString spanHTML(const MDSpan &span);
QString spansHTML(const QList<MDSpan> &spans);

// The whole page for one block. It loads "katex.min.css" and "katex.min.js" relative to the
// base URL it is shown with, and reports its rendered height to the channel object "height".
QString pageHTML(QStringView bodyHTML, const KaTeXHTMLStyle &style);

// Whether a block is drawn through a math page rather than as native text: display math
// always, paragraphs, headings, list items and quotes when they hold an inline formula.
bool usesMathPage(const MDBlock &block);

// The page typography and body of a block for which usesMathPage() holds.
KaTeXHTMLStyle styleFor(const MDBlock &block);
QString bodyHTML(const MDBlock &block);

} // namespace MathPage
