#include "markdown/mathpage.h"

#include <QCryptographicHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Runs once at the end of the body: typesets, lets wide display formulas scroll sideways,
// and reports the height of the content. The height is the body's own, not the viewport's:
// the view is sized from it, so measuring the viewport would keep a block from ever
// shrinking again (for instance when the window gets wider and a formula fits on one line).
const auto pageScript = uR"JS((function () {
  'use strict';
  var heightChannel = null;
  var unsentHeight = null;

  function postHeight(value) {
    if (heightChannel)
      heightChannel.report(value);
    else
      unsentHeight = value;
  }

  function renderMath() {
    var nodes = document.querySelectorAll('[data-latex]');
    if (window.katex) {
      for (var i = 0; i < nodes.length; ++i) {
        var node = nodes[i];
        try {
          katex.render(node.textContent, node, {
            displayMode: node.getAttribute('data-display') === 'true',
            throwOnError: false,
            errorColor: 'currentColor',
            output: 'htmlAndMathml',
            strict: 'ignore',
            trust: false
          });
        } catch (error) {
          // The source stays as it is.
        }
      }
    }
    document.body.classList.remove('math-pending');
    document.body.classList.add('math-ready');
  }

  function setupMathScrolling() {
    var blocks = document.querySelectorAll('.math-display');
    Array.prototype.forEach.call(blocks, function (block) {
      var dragging = false;
      var startX = 0;
      var startScroll = 0;
      block.addEventListener('wheel', function (event) {
        if (event.shiftKey && Math.abs(event.deltaY) > Math.abs(event.deltaX)) {
          event.preventDefault();
          block.scrollLeft += event.deltaY;
        }
      }, { passive: false });
      block.addEventListener('mousedown', function (event) {
        if (event.button !== 0 || block.scrollWidth <= block.clientWidth)
          return;
        dragging = true;
        startX = event.clientX;
        startScroll = block.scrollLeft;
        block.classList.add('is-dragging');
        event.preventDefault();
      });
      window.addEventListener('mousemove', function (event) {
        if (dragging)
          block.scrollLeft = startScroll - (event.clientX - startX);
      });
      window.addEventListener('mouseup', function () {
        if (!dragging)
          return;
        dragging = false;
        block.classList.remove('is-dragging');
      });
    });
  }

  function reportHeight() {
    requestAnimationFrame(function () {
      var body = document.body;
      postHeight(Math.ceil(Math.max(body.scrollHeight, body.getBoundingClientRect().height)));
    });
  }

  if (window.qt && qt.webChannelTransport && window.QWebChannel) {
    new QWebChannel(qt.webChannelTransport, function (channel) {
      heightChannel = channel.objects.height || null;
      if (heightChannel && unsentHeight !== null) {
        heightChannel.report(unsentHeight);
        unsentHeight = null;
      }
    });
  }
  renderMath();
  setupMathScrolling();
  reportHeight();
  if (document.fonts && document.fonts.ready)
    document.fonts.ready.then(reportHeight);
  if (window.ResizeObserver)
    new ResizeObserver(reportHeight).observe(document.body);
})();)JS"_s;

// The engine of Qt 6.4 predates color-mix(); the declarations before each color-mix() are
// what it uses instead.
const auto pageStyleSheet = uR"CSS(
@font-face { font-family: "Inter"; font-weight: 400; src: url("qrc:/fonts/Inter_18pt-Regular.otf"), local("Inter"); }
@font-face { font-family: "Inter"; font-weight: 500; src: url("qrc:/fonts/Inter_18pt-Medium.otf"), local("Inter Medium"); }
@font-face { font-family: "Inter"; font-weight: 600 700; src: url("qrc:/fonts/Inter_18pt-SemiBold.otf"), local("Inter Semi Bold"); }
html, body {
  margin: 0;
  padding: 0;
  background: transparent;
  color: CanvasText;
  color-scheme: light dark;
  overflow: hidden;
  -webkit-text-size-adjust: none;
  text-size-adjust: none;
}
body {
  box-sizing: border-box;
  font-family: -apple-system, BlinkMacSystemFont, "Inter", sans-serif;
  font-size: 15px;
  line-height: 1.45;
  overflow-wrap: anywhere;
  -webkit-user-select: none;
  user-select: none;
}
body.heading { font-weight: 600; line-height: 1.25; }
body.heading-1 { font-size: 25px; }
body.heading-2 { font-size: 19px; }
body.heading-3, body.heading-4, body.heading-5, body.heading-6 { font-size: 15px; }
body.blockquote { color: color-mix(in srgb, CanvasText 70%, transparent); }
@supports not (color: color-mix(in srgb, red 50%, transparent)) {
  body.blockquote { opacity: 0.7; }
}
body.list-item { line-height: 1.35; }
body.list-item .katex { font-size: 1em; }
body.math-block { font-size: 18px; line-height: 1.35; text-align: center; }
strong { font-weight: 700; }
em { font-style: italic; }
a { color: LinkText; text-decoration: underline; }
code {
  color: #7a4b00;
  font-family: ui-monospace, SFMono-Regular, Menlo, Monaco, Consolas, monospace;
  font-size: 0.9em;
}
.katex { font-size: 1.03em; text-rendering: geometricPrecision; }
.katex-error { color: inherit !important; }
body.math-pending [data-latex] { visibility: hidden; }
body.math-ready [data-latex] { visibility: visible; }
.math-display {
  display: block;
  box-sizing: border-box;
  width: 100%;
  max-width: 100%;
  overflow-x: auto;
  overflow-y: hidden;
  padding: 2px 0;
  cursor: grab;
  -webkit-overflow-scrolling: touch;
}
.math-display.is-dragging { cursor: grabbing; }
.math-display::-webkit-scrollbar { height: 6px; }
.math-display::-webkit-scrollbar-thumb {
  background: rgba(128, 128, 128, 0.35);
  background: color-mix(in srgb, CanvasText 22%, transparent);
  border-radius: 999px;
}
.math-display::-webkit-scrollbar-track { background: transparent; }
)CSS"_s;

QString scriptHash()
{
    return QString::fromLatin1(
        QCryptographicHash::hash(pageScript.toUtf8(), QCryptographicHash::Sha256).toBase64());
}

// Model text only ever lands in escaped element text and in the escaped href of a link, so
// the one way in would be a "javascript:" link; the policy blocks it along with every script
// that is not the page's own.
QString makeTemplateHead()
{
    return u"<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
           "script-src qrc: 'sha256-"_s
        + scriptHash()
        + u"'; style-src qrc: 'unsafe-inline'; font-src qrc:; img-src qrc: data:; "
          "base-uri 'none'; form-action 'none'\">\n"
          "<link rel=\"stylesheet\" href=\"katex.min.css\">\n<style>"_s
        + pageStyleSheet
        + u"</style>\n<script src=\"katex.min.js\"></script>\n"
          "<script src=\"qrc:///qtwebchannel/qwebchannel.js\"></script>\n</head>\n"
          "<body class=\""_s;
}

const QString &templateHead()
{
    static const QString head = makeTemplateHead();
    return head;
}

const QString &templateTail()
{
    static const QString tail = u"\n  <script>"_s + pageScript + u"</script>\n</body>\n</html>\n"_s;
    return tail;
}

void appendEscaped(QString &out, QStringView text)
{
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
}

void appendSpan(QString &out, const MDSpan &span)
{
    const auto enclosed = [&out, &span](QStringView open, QStringView close) {
        out += open;
        appendEscaped(out, span.text());
        out += close;
    };
    switch (span.kind()) {
    case MDSpan::Kind::Plain:
        appendEscaped(out, span.text());
        break;
    case MDSpan::Kind::Bold:
        enclosed(u"<strong>", u"</strong>");
        break;
    case MDSpan::Kind::Italic:
        enclosed(u"<em>", u"</em>");
        break;
    case MDSpan::Kind::BoldItalic:
        enclosed(u"<strong><em>", u"</em></strong>");
        break;
    case MDSpan::Kind::Code:
        enclosed(u"<code>", u"</code>");
        break;
    case MDSpan::Kind::Math:
        out += MathPage::mathSpanHTML(span.latex(), false);
        break;
    case MDSpan::Kind::Link:
        out += u"<a href=\"";
        appendEscaped(out, span.url());
        out += u"\">";
        enclosed({}, u"</a>");
        break;
    }
}

bool hasMathSpan(const QList<MDSpan> &spans)
{
    return std::any_of(spans.cbegin(), spans.cend(),
                       [](const MDSpan &span) { return span.kind() == MDSpan::Kind::Math; });
}

} // namespace

namespace MathPage {

QString htmlEscape(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 8);
    appendEscaped(out, text);
    return out;
}

QString mathSpanHTML(QStringView latex, bool display)
{
    QString out = display ? u"<span class=\"math-display\" data-display=\"true\" data-latex>"_s
                          : u"<span class=\"math-inline\" data-display=\"false\" data-latex>"_s;
    appendEscaped(out, latex);
    out += u"</span>";
    return out;
}

QString spanHTML(const MDSpan &span)
{
    QString out;
    appendSpan(out, span);
    return out;
}

QString spansHTML(const QList<MDSpan> &spans)
{
    QString out;
    for (const MDSpan &span : spans)
        appendSpan(out, span);
    return out;
}

QString pageHTML(QStringView bodyHTML, const KaTeXHTMLStyle &style)
{
    const QString &head = templateHead();
    const QString &tail = templateTail();
    QString page;
    page.reserve(head.size() + bodyHTML.size() + tail.size() + 40);
    page += head;
    page += style.bodyClass();
    page += u" math-pending\">\n  ";
    page += bodyHTML;
    page += tail;
    return page;
}

bool usesMathPage(const MDBlock &block)
{
    switch (block.kind()) {
    case MDBlock::Kind::MathBlock:
        return true;
    case MDBlock::Kind::Paragraph:
    case MDBlock::Kind::Heading:
    case MDBlock::Kind::ListItem:
    case MDBlock::Kind::Blockquote:
        return hasMathSpan(block.spans());
    case MDBlock::Kind::CodeBlock:
    case MDBlock::Kind::Divider:
        return false;
    }
    return false;
}

KaTeXHTMLStyle styleFor(const MDBlock &block)
{
    switch (block.kind()) {
    case MDBlock::Kind::Heading:
        return KaTeXHTMLStyle::heading(block.level());
    case MDBlock::Kind::ListItem:
        return KaTeXHTMLStyle::listItem();
    case MDBlock::Kind::Blockquote:
        return KaTeXHTMLStyle::blockquote();
    case MDBlock::Kind::MathBlock:
        return KaTeXHTMLStyle::mathBlock();
    case MDBlock::Kind::Paragraph:
    case MDBlock::Kind::CodeBlock:
    case MDBlock::Kind::Divider:
        break;
    }
    return KaTeXHTMLStyle::paragraph();
}

QString bodyHTML(const MDBlock &block)
{
    if (block.kind() == MDBlock::Kind::MathBlock)
        return mathSpanHTML(block.latex(), true);
    return spansHTML(block.spans());
}

} // namespace MathPage
