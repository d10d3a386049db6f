#pragma once

#include <QString>

// The typography of one math page: which body class the page's style sheet applies, and how
// tall the block is before (and at least, after) the page reports its rendered height.
class KaTeXHTMLStyle
{
public:
    enum class Kind : quint8 { Heading, Paragraph, ListItem, Blockquote, MathBlock };

    KaTeXHTMLStyle() = default;

    // Levels outside 1...6 take the nearest valid level.
    static KaTeXHTMLStyle heading(int level);
    static KaTeXHTMLStyle paragraph() { return KaTeXHTMLStyle(Kind::Paragraph, 0); }
    static KaTeXHTMLStyle listItem() { return KaTeXHTMLStyle(Kind::ListItem, 0); }
    static KaTeXHTMLStyle blockquote() { return KaTeXHTMLStyle(Kind::Blockquote, 0); }
    static KaTeXHTMLStyle mathBlock() { return KaTeXHTMLStyle(Kind::MathBlock, 0); }

    Kind kind() const { return m_kind; }
    // 1...6 for headings, 0 otherwise.
    int level() const { return m_level; }

    QString bodyClass() const;
    qreal minimumHeight() const;
    qreal initialHeight() const;

    friend bool operator==(const KaTeXHTMLStyle &, const KaTeXHTMLStyle &) = default;

private:
    KaTeXHTMLStyle(Kind kind, int level)
        : m_kind(kind)
        , m_level(level)
    { }

    Kind m_kind = Kind::Paragraph;
    int m_level = 0;
};
