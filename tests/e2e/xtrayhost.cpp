#include "e2e/xtrayhost.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <cstdlib>
#include <cstring>

namespace {

// The opcode of a request to dock an icon (System Tray Protocol).
constexpr quint32 requestDock = 0;

} // namespace

XTrayHost::XTrayHost(QObject *parent)
    : QObject(parent)
{ }

XTrayHost::~XTrayHost()
{
    delete m_notifier;
    // The selection goes with the connection.
    if (m_connection)
        xcb_disconnect(m_connection);
}

xcb_atom_t XTrayHost::atom(const char *name) const
{
    const xcb_intern_atom_cookie_t cookie
        = xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(m_connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

bool XTrayHost::start(const QString &display)
{
    if (m_connection)
        return false;
    int screenNumber = 0;
    m_connection = xcb_connect(display.toLocal8Bit().constData(), &screenNumber);
    if (xcb_connection_has_error(m_connection))
        return false;
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem == 0)
        return false;
    const xcb_window_t root = screens.data->root;

    m_window = xcb_generate_id(m_connection);
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, root, -1, -1, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const QByteArray selectionName = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber);
    const xcb_atom_t selection = atom(selectionName.constData());
    const xcb_atom_t manager = atom("MANAGER");
    m_opcode = atom("_NET_SYSTEM_TRAY_OPCODE");
    if (selection == XCB_ATOM_NONE || manager == XCB_ATOM_NONE)
        return false;

    const xcb_get_selection_owner_cookie_t before
        = xcb_get_selection_owner(m_connection, selection);
    xcb_get_selection_owner_reply_t *owner
        = xcb_get_selection_owner_reply(m_connection, before, nullptr);
    const bool taken = !owner || owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    if (taken)
        return false;
    xcb_set_selection_owner(m_connection, m_window, selection, XCB_CURRENT_TIME);
    const xcb_get_selection_owner_cookie_t after = xcb_get_selection_owner(m_connection, selection);
    owner = xcb_get_selection_owner_reply(m_connection, after, nullptr);
    const bool ours = owner && owner->owner == m_window;
    std::free(owner);
    if (!ours)
        return false;

    // Clients that started before the tray learn of it from this message.
    xcb_client_message_event_t event;
    std::memset(&event, 0, sizeof(event));
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = root;
    event.type = manager;
    event.data.data32[0] = XCB_CURRENT_TIME;
    event.data.data32[1] = selection;
    event.data.data32[2] = m_window;
    xcb_send_event(m_connection, 0, root, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(m_connection);

    m_notifier = new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &XTrayHost::readEvents);
    return true;
}

void XTrayHost::readEvents()
{
    if (xcb_connection_has_error(m_connection)) {
        // The display has gone: nothing more will come.
        m_notifier->setEnabled(false);
        return;
    }
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<const xcb_client_message_event_t *>(event);
            if (message->type == m_opcode && message->data.data32[1] == requestDock)
                ++m_dockRequests;
        }
        std::free(event);
    }
}
