#include "markdown/view/markdownview.h"

#include "markdown/markdownparser.h"
#include "markdown/nativetext.h"
#include "markdown/view/codeblockview.h"
#include "markdown/view/dividerview.h"
#include "markdown/view/listitemview.h"
#include "markdown/view/mathblockview.h"
#include "markdown/view/nativetextview.h"
#include "markdown/view/quoteblockview.h"
#include "math/mathtypesetter.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// Inline code is set a little smaller than body text.
constexpr int inlineCodePixelSize = 13;

QMargins textMargins(const MDBlock &block)
{
    switch (block.kind()) {
    case MDBlock::Kind::Heading:
        return {0, block.level() == 1 ? 16 : 12, 0, 4};
    case MDBlock::Kind::MathBlock:
        // Padding 8 around the formula; 4 above, 4 below and a further 8.
        return {8, 4 + 8, 8, 8 + 4 + 8};
    default:
        return {0, 0, 0, 8};
    }
}

} // namespace

MarkdownView::MarkdownView(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_baseFont(TypeStyles::font(TypeStyle::Body))
    , m_codeFont(TypeStyles::monospace(12))
{
    m_layout->setContentsMargins({});
    m_layout->setSpacing(0);
    m_layout->setAlignment(Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    // KaTeX takes about 80 ms to load on its thread; a message's view exists well before an
    // answer's first formula is complete.
    MathTypesetter::instance().warmUp();
}

MarkdownView::~MarkdownView() = default;

void MarkdownView::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    const QList<MDBlock> blocks = MarkdownParser::parseBlocks(text);

    // New widgets are shown here, all together, with the layout off meanwhile. Left to the
    // layout, each would be shown on a queued call of its own, and showing a widget lays out
    // its parent again at once: every block of the message per new block, which made the
    // pieces of a long streamed answer slower and slower.
    QList<QWidget *> added;
    m_layout->setEnabled(false);
    for (qsizetype i = 0; i < blocks.size(); ++i) {
        const MDBlock &block = blocks.at(i);
        if (i < m_entries.size()) {
            Entry &entry = m_entries[i];
            if (entry.block == block) {
                entry.block = block; // hold on to the latest parse only
                continue;
            }
            const Presentation presentation = presentationOf(block);
            if (presentation == entry.presentation) {
                updateWidget(entry, block);
            } else {
                QWidget *widget = createWidget(block, presentation);
                delete m_layout->replaceWidget(entry.widget, widget);
                delete entry.widget;
                entry.widget = widget;
                added.append(widget);
                entry.presentation = presentation;
            }
            entry.block = block;
        } else {
            const Presentation presentation = presentationOf(block);
            Entry entry{block, presentation, createWidget(block, presentation)};
            m_layout->addWidget(entry.widget);
            m_entries.append(entry);
            added.append(entry.widget);
        }
    }
    while (m_entries.size() > blocks.size()) {
        const Entry entry = m_entries.takeLast();
        m_layout->removeWidget(entry.widget);
        delete entry.widget;
    }
    if (isVisible()) {
        for (QWidget *widget : std::as_const(added))
            widget->show();
    }
    m_layout->setEnabled(true);
    // Once for all of them, before anything is painted.
    m_layout->activate();
}

void MarkdownView::setBaseFont(const QFont &font)
{
    if (font == m_baseFont)
        return;
    m_baseFont = font;
    restyle();
}

void MarkdownView::setCodeFont(const QFont &font)
{
    if (font == m_codeFont)
        return;
    m_codeFont = font;
    restyle();
}

void MarkdownView::copyCode(const QString &code)
{
    QGuiApplication::clipboard()->setText(code);
    setCodeCopied(true);
    // One reset per press: a second press within the time does not extend the first.
    QTimer::singleShot(codeCopiedDurationMs, this, [this] { setCodeCopied(false); });
}

void MarkdownView::setCodeCopied(bool copied)
{
    if (copied == m_codeCopied)
        return;
    m_codeCopied = copied;
    Q_EMIT codeCopiedChanged(copied);
}

void MarkdownView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

MarkdownView::Presentation MarkdownView::presentationOf(const MDBlock &block)
{
    switch (block.kind()) {
    case MDBlock::Kind::Paragraph:
        return Presentation::Text;
    case MDBlock::Kind::Heading:
        return Presentation::Heading;
    case MDBlock::Kind::MathBlock:
        return Presentation::Formula;
    case MDBlock::Kind::CodeBlock:
        return Presentation::Code;
    case MDBlock::Kind::ListItem:
        return Presentation::ListItem;
    case MDBlock::Kind::Blockquote:
        return Presentation::Quote;
    case MDBlock::Kind::Divider:
        return Presentation::Divider;
    }
    return Presentation::Text;
}

QWidget *MarkdownView::createWidget(const MDBlock &block, Presentation presentation)
{
    QWidget *widget = nullptr;
    switch (presentation) {
    case Presentation::Text:
    case Presentation::Heading:
        widget = createContent(block, false);
        break;
    case Presentation::Formula:
        widget = new MathBlockView;
        break;
    case Presentation::Code: {
        auto *code = new CodeBlockView;
        code->setCopied(m_codeCopied);
        connect(code, &CodeBlockView::copyRequested, this, &MarkdownView::copyCode);
        connect(this, &MarkdownView::codeCopiedChanged, code, &CodeBlockView::setCopied);
        widget = code;
        break;
    }
    case Presentation::ListItem: {
        auto *item = new ListItemView;
        item->setContent(createContent(block, false));
        widget = item;
        break;
    }
    case Presentation::Quote: {
        auto *quote = new QuoteBlockView;
        quote->setContent(createContent(block, true));
        widget = quote;
        break;
    }
    case Presentation::Divider:
        widget = new DividerView;
        break;
    }
    widget->setParent(this);
    updateWidget(Entry{block, presentation, widget}, block);
    return widget;
}

QWidget *MarkdownView::createContent(const MDBlock &block, bool secondary)
{
    auto *content = new NativeTextView;
    updateContent(content, block, secondary);
    return content;
}

void MarkdownView::updateContent(QWidget *content, const MDBlock &block, bool secondary)
{
    auto *text = static_cast<NativeTextView *>(content);
    text->setFont(block.kind() == MDBlock::Kind::Heading ? headingFont(block.level()) : m_baseFont);
    text->setTextColor(secondary ? AppColors::secondaryText(palette()) : QColor());
    // Built on each call, so once per update of a streaming block.
    const QList<MDSpan> spans = block.spans();
    text->setHtml(NativeText::spansHTML(spans, nativeStyle()), NativeText::formulas(spans));
}

void MarkdownView::updateWidget(const Entry &entry, const MDBlock &block)
{
    switch (entry.presentation) {
    case Presentation::Text:
    case Presentation::Heading:
        updateContent(entry.widget, block, false);
        entry.widget->setContentsMargins(textMargins(block));
        break;
    case Presentation::Formula: {
        auto *formula = static_cast<MathBlockView *>(entry.widget);
        formula->setContentsMargins(textMargins(block));
        formula->setFont(m_baseFont);
        formula->setTex(block.latex(), block.isOpen());
        break;
    }
    case Presentation::Code: {
        auto *code = static_cast<CodeBlockView *>(entry.widget);
        code->setCodeFont(m_codeFont);
        code->setCode(block.code(), block.language());
        break;
    }
    case Presentation::ListItem: {
        auto *item = static_cast<ListItemView *>(entry.widget);
        item->setIndent(block.indent());
        item->setMarker(block.marker());
        item->setMarkerFont(m_baseFont);
        updateContent(item->content(), block, false);
        break;
    }
    case Presentation::Quote:
        updateContent(static_cast<QuoteBlockView *>(entry.widget)->content(), block, true);
        break;
    case Presentation::Divider:
        break;
    }
}

QFont MarkdownView::headingFont(int level) const
{
    if (level == 1)
        return TypeStyles::face(u"PlayfairDisplay-SemiBold", 28);
    if (level == 2)
        return TypeStyles::face(u"Inter18pt-SemiBold", 16);
    return TypeStyles::face(u"Inter18pt-Medium", 15);
}

NativeTextStyle MarkdownView::nativeStyle() const
{
    return {AppColors::named(NamedColor::AskAccent, this).name(QColor::HexRgb), m_codeFont.family(),
            inlineCodePixelSize};
}

void MarkdownView::restyle()
{
    for (const Entry &entry : std::as_const(m_entries))
        updateWidget(entry, entry.block);
}
