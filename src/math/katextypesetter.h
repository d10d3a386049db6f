#pragma once

#include <QString>

#include <memory>

class QJSEngine;

// KaTeX in a JavaScript engine of its own, no browser: TeX in, KaTeX's HTML out. An engine
// belongs to the thread it was made on, so each thread that typesets makes its own; loading
// KaTeX takes about 80 ms, a formula about a millisecond.
class KatexTypesetter
{
public:
    // `script` is katex.min.js as shipped (a UMD bundle).
    explicit KatexTypesetter(const QString &script);
    ~KatexTypesetter();
    KatexTypesetter(const KatexTypesetter &) = delete;
    KatexTypesetter &operator=(const KatexTypesetter &) = delete;

    // False when the script did not load; every formula then fails.
    bool isValid() const;

    struct Result
    {
        QString html;
        // KaTeX's message when it cannot parse the TeX; html is empty then.
        QString error;
    };
    // No command reaches outside the formula (no \href, \url or \includegraphics: trust is
    // off), non-standard TeX is accepted quietly, and no rule or space is larger than 100 em,
    // so an answer cannot make a formula miles wide.
    Result typeset(const QString &tex, bool display) const;

private:
    std::unique_ptr<QJSEngine> m_engine;
    bool m_valid = false;
};
