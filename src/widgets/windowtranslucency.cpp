#include "widgets/windowtranslucency.h"

#include <QByteArray>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace WindowTranslucency {

std::optional<bool> x11CompositingManager()
{
    const auto *x11
        = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return std::nullopt;
    // The manager of screen n owns the selection _NET_WM_CM_S<n>.
    const int screens = xcb_setup_roots_length(xcb_get_setup(connection));
    for (int screen = 0; screen < screens; ++screen) {
        const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, true, name.size(), name.constData()), nullptr);
        if (!atom)
            continue;
        const xcb_atom_t selection = atom->atom;
        std::free(atom);
        if (selection == XCB_ATOM_NONE)
            continue;
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
        if (owned)
            return true;
    }
    return false;
}

bool availableFor(const QString &platformName, std::optional<bool> compositing)
{
    if (platformName == u"xcb")
        return compositing == true;
    return true;
}

bool available()
{
    static const bool answer = [] {
        const QString platform = QGuiApplication::platformName();
        return availableFor(platform, platform == u"xcb" ? x11CompositingManager() : std::nullopt);
    }();
    return answer;
}

} // namespace WindowTranslucency
