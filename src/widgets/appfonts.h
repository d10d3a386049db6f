#pragma once

#include <QStringList>

// Registers the application's own font files with the font database of this process. Runs
// once; later calls do nothing. A missing file or one that fails to load is skipped, and
// text in its face falls back to the system font. Returns how many files this call
// registered.
int registerAppFonts();

namespace AppFonts {

// The eight resource names, in the order they are registered.
QStringList resourceNames();

// Where a resource name is found among the embedded fonts, or an empty string.
QString resourcePath(const QString &name);

// Registers each file that exists and loads; returns how many did.
int registerFontFiles(const QStringList &paths);

} // namespace AppFonts
