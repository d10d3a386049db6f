#include "app/askbackdroppanel.h"

#include "app/askbackdropview.h"
#include "app/shelllog.h"
#include "app/systemappearance.h"
#include "core/apptheme.h"
#include "core/settings.h"

#include <QGuiApplication>
#include <QVBoxLayout>

#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

// Whether any screen of the X display has a compositing manager: the manager owns the
// selection _NET_WM_CM_S<screen number>. Nothing when this is not X11.
std::optional<bool> x11Compositing()
{
    const auto *x11
        = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    const int screens = xcb_setup_roots_length(xcb_get_setup(connection));
    for (int screen = 0; screen < screens; ++screen) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, true, name.size(), name.constData()), nullptr);
        if (!atom)
            continue;
        const xcb_atom_t selection = atom->atom;
        free(atom);
        if (selection == XCB_ATOM_NONE)
            continue;
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        free(owner);
        if (owned)
            return true;
    }
    return false;
}

} // namespace

AskBackdropPanel::AskBackdropPanel(Settings *settings, SystemAppearance *appearance,
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
    setWindowTitle(u"velm Quick Ask Backdrop"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);

    if (m_settings) {
        connect(m_settings, &Settings::changed, this, [this](const QString &key) {
            if (key == SettingsKeys::appTheme || key == SettingsKeys::quickAskFollowsSystemTheme)
                updateColorScheme();
        });
    }
    if (m_appearance)
        connect(m_appearance, &SystemAppearance::changed, this,
                &AskBackdropPanel::updateColorScheme);
    updateColorScheme();
}

AskBackdropPanel::~AskBackdropPanel() = default;

void AskBackdropPanel::updateColorScheme()
{
    const ColorSchemePreference preference = m_settings
        ? AppThemes::quickAskColorScheme(m_settings->appTheme(),
                                         m_settings->quickAskFollowsSystemTheme())
        : ColorSchemePreference::Dark;
    m_view->setDark(AppThemes::isDark(preference, m_appearance ? m_appearance->isDark() : true));
}

std::optional<QString> AskBackdropPanel::unsupportedReason(const QString &platformName,
                                                           std::optional<bool> compositing)
{
    if (platformName.startsWith(u"wayland"))
        return u"Wayland windows cannot let clicks through with this Qt"_s;
    if (platformName == u"xcb" && compositing != true)
        return u"the X11 display has no compositing manager"_s;
    return std::nullopt;
}

bool AskBackdropPanel::isSupported()
{
    static const bool supported = [] {
        const QString platform = QGuiApplication::platformName();
        const std::optional<QString> reason
            = unsupportedReason(platform, platform == u"xcb" ? x11Compositing() : std::nullopt);
        if (reason)
            qCInfo(lcShell, "The Quick Ask bar opens without its backdrop: %s",
                   qPrintable(*reason));
        else
            qCInfo(lcShell, "The Quick Ask bar opens over a backdrop");
        return !reason;
    }();
    return supported;
}
