#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

class QDebug;

// One inline piece of a Markdown block. Spans never nest: their text is raw and is not
// parsed again, so "**a `b`**" is one bold span holding the backticks.
class MDSpan
{
public:
    enum class Kind : quint8 { Plain, Bold, Italic, BoldItalic, Code, Math, Link };

    MDSpan() = default;
    // Only links have a URL.
    MDSpan(Kind kind, QString text, QString url = {})
        : m_kind(kind)
        , m_text(std::move(text))
        , m_url(std::move(url))
    { }

    static MDSpan plain(QString text) { return MDSpan(Kind::Plain, std::move(text)); }
    static MDSpan bold(QString text) { return MDSpan(Kind::Bold, std::move(text)); }
    static MDSpan italic(QString text) { return MDSpan(Kind::Italic, std::move(text)); }
    static MDSpan boldItalic(QString text) { return MDSpan(Kind::BoldItalic, std::move(text)); }
    static MDSpan code(QString text) { return MDSpan(Kind::Code, std::move(text)); }
    static MDSpan math(QString latex) { return MDSpan(Kind::Math, std::move(latex)); }
    static MDSpan link(QString text, QString url)
    {
        return MDSpan(Kind::Link, std::move(text), std::move(url));
    }

    Kind kind() const { return m_kind; }
    // The shown text; for a math span, the LaTeX source without its delimiters.
    const QString &text() const { return m_text; }
    const QString &latex() const { return m_text; }
    // Only links have one.
    const QString &url() const { return m_url; }

    friend bool operator==(const MDSpan &, const MDSpan &) = default;

private:
    Kind m_kind = Kind::Plain;
    QString m_text;
    QString m_url;
};

Q_DECLARE_TYPEINFO(MDSpan, Q_RELOCATABLE_TYPE);
Q_DECLARE_METATYPE(MDSpan)

QDebug operator<<(QDebug debug, const MDSpan &span);
