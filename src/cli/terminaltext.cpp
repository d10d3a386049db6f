#include "cli/terminaltext.h"

#include <algorithm>

namespace TerminalText {

namespace {

bool isControl(char16_t c)
{
    return c < 0x20 || (c >= 0x7f && c <= 0x9f);
}

} // namespace

QString printable(const QString &text)
{
    // Nearly every piece of an answer is clean: it is handed back shared, not copied.
    const auto keep = [](QChar c) {
        const char16_t code = c.unicode();
        return !isControl(code) || code == u'\n' || code == u'\t';
    };
    if (std::all_of(text.cbegin(), text.cend(), keep))
        return text;
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (keep(c))
            out += c;
    }
    return out;
}

QString singleLine(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n' || code == u'\r' || code == u'\t')
            out += u' ';
        else if (!isControl(code))
            out += c;
    }
    return out.trimmed();
}

} // namespace TerminalText
