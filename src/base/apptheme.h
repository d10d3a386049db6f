#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// The appearance the user chose; the stored setting "appTheme" holds its raw value.
enum class AppTheme : quint8 { Dark, Light, System };

// What a window asks of its appearance: a fixed scheme, or none, in which case the system
// appearance applies.
enum class ColorSchemePreference : quint8 { NoPreference, Light, Dark };

namespace AppThemes {

// Dark, Light, System: the order of the theme cards.
QList<AppTheme> allCases();
QString rawValue(AppTheme theme);
std::optional<AppTheme> fromRawValue(QStringView raw);
QString displayName(AppTheme theme);
// What a theme card shows besides the name: the symbol, the line about the theme, and
// whether it carries the "Recommended" badge (dark does).
QString symbolName(AppTheme theme);
QString description(AppTheme theme);
bool isRecommended(AppTheme theme);
// How every reader takes the stored "appTheme": an unrecognised value counts as dark.
AppTheme fromStored(QStringView stored);

// The main window's rule: "dark" and "light" fix the scheme, "system" leaves it to the
// system, and anything unrecognised counts as "dark".
ColorSchemePreference colorScheme(QStringView storedTheme);

// The Quick Ask bar and its backdrop follow the system whenever `followsSystem` is set, and
// the main window's rule otherwise.
ColorSchemePreference quickAskColorScheme(QStringView storedTheme, bool followsSystem);

// Whether a window with this preference is drawn dark, given the system's appearance.
bool isDark(ColorSchemePreference preference, bool systemIsDark);

} // namespace AppThemes
