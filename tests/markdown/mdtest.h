#pragma once

#include "markdown/markdownparser.h"

#include <QStringList>

// Builders and checks shared by the Markdown parser tests.

using Spans = QList<MDSpan>;
using Blocks = QList<MDBlock>;

// Readable failure messages for QCOMPARE on spans and blocks.
char *toString(const MDSpan &span);
char *toString(const MDBlock &block);

namespace MDTest {

// Short names for the factories, so expected results read like the text they come from.
inline constexpr auto plain = &MDSpan::plain;
inline constexpr auto bold = &MDSpan::bold;
inline constexpr auto italic = &MDSpan::italic;
inline constexpr auto boldItalic = &MDSpan::boldItalic;
inline constexpr auto code = &MDSpan::code;
inline constexpr auto math = &MDSpan::math;
inline constexpr auto heading = &MDBlock::heading;
inline constexpr auto mathBlock = &MDBlock::mathBlock;
inline constexpr auto openMathBlock = &MDBlock::openMathBlock;
inline constexpr auto ordered = &MDBlock::listItem;
inline constexpr auto quote = &MDBlock::blockquote;
inline constexpr auto divider = &MDBlock::divider;

// A function, not an alias: POSIX declares a link() too.
inline MDSpan link(const QString &text, const QString &url)
{
    return MDSpan::link(text, url);
}
MDBlock para(const Spans &spans);
MDBlock para(const QString &text);
MDBlock codeBlock(const QString &code, const QString &language = {});
MDBlock bullet(int indent, const Spans &spans);

// A realistic answer of a few kilobytes: every construct of the dialect, in the shapes
// models write them. Each segment ends with a blank line outside any fence or formula.
QStringList answerSegments();

// Properties every parse result has, whatever the input; fails the current test if not.
void checkInvariants(const Blocks &blocks);

// The columns "text" and "expected" (Blocks), and the check that parses one row's text.
void addBlockColumns();
void compareBlocks();

} // namespace MDTest
