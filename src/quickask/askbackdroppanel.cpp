#include "quickask/askbackdroppanel.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "quickask/askbackdropview.h"
#include "quickask/quickasklog.h"
#include "widgets/systemappearance.h"
#include "widgets/windowtranslucency.h"

#include <QGuiApplication>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AskBackdropPanel::AskBackdropPanel(Settings &settings, SystemAppearance &appearance,
                                   QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                  | Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus
                  | Qt::NoDropShadowWindowHint)
    , m_settings(settings)
    , m_appearance(appearance)
    , m_view(new AskBackdropView(this))
{
    setObjectName(u"askBackdropPanel"_s);
    // Not "velm Quick Ask …": tools that look the bar up by its title match substrings.
    setWindowTitle(u"velm backdrop"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme || key == SettingsKeys::quickAskFollowsSystemTheme)
            updateColorScheme();
    });
    connect(&m_appearance, &SystemAppearance::changed, this, &AskBackdropPanel::updateColorScheme);
    updateColorScheme();
}

AskBackdropPanel::~AskBackdropPanel() = default;

void AskBackdropPanel::updateColorScheme()
{
    const ColorSchemePreference preference = AppThemes::quickAskColorScheme(
        m_settings.appTheme(), m_settings.quickAskFollowsSystemTheme());
    m_view->setDark(AppThemes::isDark(preference, m_appearance.isDark()));
}

std::optional<QString> AskBackdropPanel::unsupportedReason(const QString &platformName,
                                                           std::optional<bool> compositing)
{
    if (platformName.startsWith(u"wayland"))
        return u"Wayland windows cannot let clicks through with this Qt"_s;
    if (!WindowTranslucency::availableFor(platformName, compositing))
        return u"the X11 display has no compositing manager"_s;
    return std::nullopt;
}

bool AskBackdropPanel::isSupported()
{
    static const bool supported = [] {
        const QString platform = QGuiApplication::platformName();
        const std::optional<QString> reason = unsupportedReason(
            platform,
            platform == u"xcb" ? WindowTranslucency::x11CompositingManager() : std::nullopt);
        if (reason)
            qCInfo(lcQuickAsk, "The Quick Ask bar opens without its backdrop: %s",
                   qPrintable(*reason));
        else
            qCInfo(lcQuickAsk, "The Quick Ask bar opens over a backdrop");
        return !reason;
    }();
    return supported;
}
