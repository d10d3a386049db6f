#include "base/apptheme.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace AppThemes {

QList<AppTheme> allCases()
{
    return {AppTheme::Dark, AppTheme::Light, AppTheme::System};
}

QString rawValue(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark:
        return u"dark"_s;
    case AppTheme::Light:
        return u"light"_s;
    case AppTheme::System:
        return u"system"_s;
    }
    return u"dark"_s;
}

std::optional<AppTheme> fromRawValue(QStringView raw)
{
    for (const AppTheme theme : allCases()) {
        if (raw == rawValue(theme))
            return theme;
    }
    return std::nullopt;
}

QString displayName(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark:
        return QCoreApplication::translate("AppTheme", "Dark");
    case AppTheme::Light:
        return QCoreApplication::translate("AppTheme", "Light");
    case AppTheme::System:
        return QCoreApplication::translate("AppTheme", "System");
    }
    return QCoreApplication::translate("AppTheme", "Dark");
}

QString symbolName(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark:
        return u"moon.stars.fill"_s;
    case AppTheme::Light:
        return u"sun.max.fill"_s;
    case AppTheme::System:
        return u"macbook"_s;
    }
    return {};
}

QString description(AppTheme theme)
{
    switch (theme) {
    case AppTheme::Dark:
        return QCoreApplication::translate("AppTheme", "Calm, focused, and easiest on the eyes.");
    case AppTheme::Light:
        return QCoreApplication::translate("AppTheme", "Bright canvas for daytime work.");
    case AppTheme::System:
#ifdef Q_OS_MACOS
        return QCoreApplication::translate("AppTheme", "Follows your Mac automatically.");
#else
        return QCoreApplication::translate("AppTheme", "Follows your desktop automatically.");
#endif
    }
    return {};
}

bool isRecommended(AppTheme theme)
{
    return theme == AppTheme::Dark;
}

AppTheme fromStored(QStringView stored)
{
    return fromRawValue(stored).value_or(AppTheme::Dark);
}

ColorSchemePreference colorScheme(QStringView storedTheme)
{
    switch (fromStored(storedTheme)) {
    case AppTheme::Dark:
        return ColorSchemePreference::Dark;
    case AppTheme::Light:
        return ColorSchemePreference::Light;
    case AppTheme::System:
        return ColorSchemePreference::NoPreference;
    }
    return ColorSchemePreference::Dark;
}

ColorSchemePreference quickAskColorScheme(QStringView storedTheme, bool followsSystem)
{
    return followsSystem ? ColorSchemePreference::NoPreference : colorScheme(storedTheme);
}

bool isDark(ColorSchemePreference preference, bool systemIsDark)
{
    switch (preference) {
    case ColorSchemePreference::Dark:
        return true;
    case ColorSchemePreference::Light:
        return false;
    case ColorSchemePreference::NoPreference:
        return systemIsDark;
    }
    return systemIsDark;
}

} // namespace AppThemes
