#pragma once

#include <QString>

// An answer's Markdown as a screen reader is to read it: the words without the marks that
// style them, a formula as its TeX source, a code block introduced with its language, a list
// item with its bullet or number, one block a line.
namespace MarkdownPlainText {

QString fromMarkdown(const QString &markdown);

} // namespace MarkdownPlainText
