#include "markdown/katexhtmlstyle.h"

#include <algorithm>

using namespace Qt::StringLiterals;

KaTeXHTMLStyle KaTeXHTMLStyle::heading(int level)
{
    return KaTeXHTMLStyle(Kind::Heading, std::clamp(level, 1, 6));
}

QString KaTeXHTMLStyle::bodyClass() const
{
    switch (m_kind) {
    case Kind::Heading:
        return u"heading heading-"_s + QString::number(m_level);
    case Kind::Paragraph:
        return u"paragraph"_s;
    case Kind::ListItem:
        return u"list-item"_s;
    case Kind::Blockquote:
        return u"blockquote"_s;
    case Kind::MathBlock:
        return u"math-block"_s;
    }
    return u"paragraph"_s;
}

qreal KaTeXHTMLStyle::minimumHeight() const
{
    switch (m_kind) {
    case Kind::Heading:
        return m_level == 1 ? 34 : 26;
    case Kind::Paragraph:
    case Kind::Blockquote:
        return 20;
    case Kind::ListItem:
        return 18;
    case Kind::MathBlock:
        return 42;
    }
    return 20;
}

qreal KaTeXHTMLStyle::initialHeight() const
{
    switch (m_kind) {
    case Kind::Heading:
        return m_level == 1 ? 42 : 30;
    case Kind::Paragraph:
    case Kind::Blockquote:
        return 24;
    case Kind::ListItem:
        return 22;
    case Kind::MathBlock:
        return 54;
    }
    return 24;
}
