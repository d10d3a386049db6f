#pragma once

#include <QString>
#include <QStringView>

// Lengths of text in velm are user-perceived characters (grapheme clusters), so that an
// emoji with a skin tone or a letter with a combining accent counts as one, as people see it.
namespace TextUtil {

qsizetype graphemeCount(QStringView text);

// The first `count` user-perceived characters of `text` (all of it when it is shorter).
QString leftGraphemes(QStringView text, qsizetype count);

// Whether `text` starts with `prefix` compared character by character, so that a prefix
// never matches half of a cluster ("e" does not start "é" written as e + combining accent).
bool startsWithGraphemes(QStringView text, QStringView prefix);

} // namespace TextUtil
