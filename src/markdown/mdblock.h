#pragma once

#include "markdown/mdsource.h"

#include <QExplicitlySharedDataPointer>

// One block of a parsed Markdown answer, a cheap value: it refers into the storage of the
// parse that made it (see MDSource) and keeps that storage alive. Keep the blocks of the
// latest parse, not a mix of blocks from many parses, or every parse they came from stays
// in memory. Blocks compare by content, so a view can tell which blocks of a growing
// answer did not change between two parses.
class MDBlock
{
public:
    enum class Kind : quint8 {
        Paragraph,
        Heading,
        CodeBlock,
        MathBlock,
        ListItem,
        Blockquote,
        Divider,
    };

    MDBlock() = default;

    static MDBlock paragraph(const QList<MDSpan> &spans);
    // `level` is 1 to 6.
    static MDBlock heading(int level, const QList<MDSpan> &spans);
    // An empty language means the fence named none.
    static MDBlock codeBlock(const QString &code, const QString &language = {});
    static MDBlock mathBlock(const QString &latex);
    // Display math whose closing delimiter has not come.
    static MDBlock openMathBlock(const QString &latex);
    // `indent` is the nesting depth in steps of two spaces; `marker` is "•" for bullets or
    // the number and delimiter of an ordered item as written ("1.", "3)").
    static MDBlock listItem(int indent, const QString &marker, const QList<MDSpan> &spans);
    static MDBlock blockquote(const QList<MDSpan> &spans);
    static MDBlock divider();

    Kind kind() const { return m_kind; }
    int level() const { return m_kind == Kind::Heading ? m_number : 0; }
    int indent() const { return m_kind == Kind::ListItem ? m_number : 0; }
    QString marker() const;
    QString code() const;
    QString language() const;
    QString latex() const;
    // Whether a math block's closing delimiter has not come (yet): the block runs to the end.
    bool isOpen() const { return m_flags & Open; }

    // The inline spans of paragraphs, headings, list items and quotes (built on each call).
    QList<MDSpan> spans() const;
    qsizetype spanCount() const { return m_spanCount; }

    friend bool operator==(const MDBlock &a, const MDBlock &b);

private:
    friend class BlockParser;

    enum Flag : quint8 { TextInExtra = 1, LanguageInExtra = 2, SpansInExtra = 4, Open = 8 };

    static MDBlock withSpans(Kind kind, int number, const QString &text, const QList<MDSpan> &spans,
                             const QString &language = {});
    QStringView textView() const;
    QStringView languageView() const;

    QExplicitlySharedDataPointer<const MDSource> m_source;
    MDSource::Range m_text; // code, LaTeX or list marker
    MDSource::Range m_language;
    qint32 m_firstSpan = 0;
    qint32 m_spanCount = 0;
    qint32 m_number = 0; // heading level or list indent
    Kind m_kind = Kind::Paragraph;
    quint8 m_flags = 0;
};

Q_DECLARE_TYPEINFO(MDBlock, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(MDBlock)

QDebug operator<<(QDebug debug, const MDBlock &block);
