#pragma once

#include <QString>

// Text from the model or the web on its way to a terminal. Such text is not ours: a page
// title or an answer could carry escape sequences that move the cursor, rewrite what is on
// screen or set the window title. Control characters are therefore dropped before anything
// is printed, except the line breaks and tabs an answer needs.
namespace TerminalText {

// `text` without control characters (C0, DEL, C1) other than line feed and tab.
QString printable(const QString &text);

// `text` on a single line: line breaks and tabs become spaces, other control characters are
// dropped, and the ends are trimmed.
QString singleLine(const QString &text);

} // namespace TerminalText
