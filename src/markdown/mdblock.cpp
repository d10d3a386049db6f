#include "markdown/mdblock.h"

#include <QDebug>

namespace {

MDSource::Range appendTo(QString &target, QStringView text)
{
    const MDSource::Range range{qint32(target.size()), qint32(text.size())};
    target.append(text);
    return range;
}

} // namespace

MDBlock MDBlock::withSpans(Kind kind, int number, const QString &text, const QList<MDSpan> &spans,
                           const QString &language)
{
    auto *source = new MDSource;
    MDBlock block;
    block.m_source.reset(source);
    block.m_kind = kind;
    block.m_number = number;
    block.m_flags = TextInExtra | LanguageInExtra | SpansInExtra;
    block.m_text = appendTo(source->extra, text);
    block.m_language = appendTo(source->extra, language);
    block.m_spanCount = qint32(spans.size());
    for (const MDSpan &span : spans) {
        MDSource::Span record;
        record.kind = span.kind();
        record.text = appendTo(source->extra, span.text());
        if (span.kind() == MDSpan::Kind::Link) {
            source->extra.append(u"](");
            record.urlLength = appendTo(source->extra, span.url()).length;
        }
        source->spans.append(record);
    }
    return block;
}

MDBlock MDBlock::paragraph(const QList<MDSpan> &spans)
{
    return withSpans(Kind::Paragraph, 0, {}, spans);
}

MDBlock MDBlock::heading(int level, const QList<MDSpan> &spans)
{
    return withSpans(Kind::Heading, level, {}, spans);
}

MDBlock MDBlock::codeBlock(const QString &code, const QString &language)
{
    return withSpans(Kind::CodeBlock, 0, code, {}, language);
}

MDBlock MDBlock::mathBlock(const QString &latex)
{
    return withSpans(Kind::MathBlock, 0, latex, {});
}

MDBlock MDBlock::openMathBlock(const QString &latex)
{
    MDBlock block = mathBlock(latex);
    block.m_flags |= Open;
    return block;
}

MDBlock MDBlock::listItem(int indent, const QString &marker, const QList<MDSpan> &spans)
{
    return withSpans(Kind::ListItem, indent, marker, spans);
}

MDBlock MDBlock::blockquote(const QList<MDSpan> &spans)
{
    return withSpans(Kind::Blockquote, 0, {}, spans);
}

MDBlock MDBlock::divider()
{
    return withSpans(Kind::Divider, 0, {}, {});
}

QStringView MDBlock::textView() const
{
    return m_source ? m_source->view(m_text, m_flags & TextInExtra) : QStringView();
}

QStringView MDBlock::languageView() const
{
    return m_source ? m_source->view(m_language, m_flags & LanguageInExtra) : QStringView();
}

QString MDBlock::marker() const
{
    return m_kind == Kind::ListItem ? textView().toString() : QString();
}

QString MDBlock::code() const
{
    return m_kind == Kind::CodeBlock ? textView().toString() : QString();
}

QString MDBlock::language() const
{
    return m_kind == Kind::CodeBlock ? languageView().toString() : QString();
}

QString MDBlock::latex() const
{
    return m_kind == Kind::MathBlock ? textView().toString() : QString();
}

QList<MDSpan> MDBlock::spans() const
{
    QList<MDSpan> spans;
    if (m_spanCount == 0)
        return spans;
    spans.reserve(m_spanCount);
    const bool inExtra = m_flags & SpansInExtra;
    for (qsizetype i = m_firstSpan; i < m_firstSpan + m_spanCount; ++i) {
        const MDSource::Span &span = m_source->spans[i];
        spans.append(MDSpan(span.kind, m_source->spanText(span, inExtra).toString(),
                            span.kind == MDSpan::Kind::Link
                                ? m_source->spanUrl(span, inExtra).toString()
                                : QString()));
    }
    return spans;
}

bool operator==(const MDBlock &a, const MDBlock &b)
{
    if (a.m_kind != b.m_kind || a.m_number != b.m_number || a.m_spanCount != b.m_spanCount
        || a.isOpen() != b.isOpen())
        return false;
    if (a.textView() != b.textView() || a.languageView() != b.languageView())
        return false;
    if (a.m_spanCount == 0)
        return true;
    if (a.m_source == b.m_source && a.m_firstSpan == b.m_firstSpan && a.m_flags == b.m_flags)
        return true;
    const bool aInExtra = a.m_flags & MDBlock::SpansInExtra;
    const bool bInExtra = b.m_flags & MDBlock::SpansInExtra;
    for (qint32 i = 0; i < a.m_spanCount; ++i) {
        const MDSource::Span &x = a.m_source->spans[a.m_firstSpan + i];
        const MDSource::Span &y = b.m_source->spans[b.m_firstSpan + i];
        if (x.kind != y.kind || x.text.length != y.text.length || x.urlLength != y.urlLength
            || a.m_source->spanText(x, aInExtra) != b.m_source->spanText(y, bInExtra))
            return false;
        if (x.kind == MDSpan::Kind::Link
            && a.m_source->spanUrl(x, aInExtra) != b.m_source->spanUrl(y, bInExtra))
            return false;
    }
    return true;
}

QDebug operator<<(QDebug debug, const MDBlock &block)
{
    const QDebugStateSaver saver(debug);
    debug.nospace();
    switch (block.kind()) {
    case MDBlock::Kind::Paragraph:
        debug << "paragraph(" << block.spans() << ')';
        break;
    case MDBlock::Kind::Heading:
        debug << "heading(" << block.level() << ", " << block.spans() << ')';
        break;
    case MDBlock::Kind::CodeBlock:
        debug << "codeBlock(" << block.code() << ", " << block.language() << ')';
        break;
    case MDBlock::Kind::MathBlock:
        debug << (block.isOpen() ? "openMathBlock(" : "mathBlock(") << block.latex() << ')';
        break;
    case MDBlock::Kind::ListItem:
        debug << "listItem(" << block.indent() << ", " << block.marker() << ", " << block.spans()
              << ')';
        break;
    case MDBlock::Kind::Blockquote:
        debug << "blockquote(" << block.spans() << ')';
        break;
    case MDBlock::Kind::Divider:
        debug << "divider";
        break;
    }
    return debug;
}
