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

MDSpan plain(const QString &text);
MDSpan bold(const QString &text);
MDSpan italic(const QString &text);
MDSpan boldItalic(const QString &text);
MDSpan code(const QString &text);
MDSpan math(const QString &latex);
MDSpan link(const QString &text, const QString &url);

MDBlock para(const Spans &spans);
MDBlock para(const QString &text);
MDBlock heading(int level, const Spans &spans);
MDBlock codeBlock(const QString &code, const QString &language = {});
MDBlock mathBlock(const QString &latex);
MDBlock bullet(int indent, const Spans &spans);
MDBlock ordered(int indent, const QString &marker, const Spans &spans);
MDBlock quote(const Spans &spans);
MDBlock divider();

// A realistic answer of a few kilobytes: every construct of the dialect, in the shapes
// models write them. Each segment ends with a blank line outside any fence or formula.
QStringList answerSegments();

// Properties every parse result has, whatever the input; fails the current test if not.
void checkInvariants(const Blocks &blocks);

} // namespace MDTest
