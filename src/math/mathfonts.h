#pragma once

#include <QString>

// The KaTeX fonts, registered with the application once before any formula is laid out (on
// the window's thread: the font database is not for other threads to fill).
namespace MathFonts {

// Registers every KaTeX_*.ttf of `folder`; the number registered.
int registerFrom(const QString &folder);

// The fonts compiled into velm; registered once however often it is called. The number
// registered by the first call.
int registerEmbedded();

} // namespace MathFonts
