#include "shell/x11chordbackend.h"

#include <QKeySequence>
#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

// Caps Lock and Num Lock (Mod2 on every common keymap) change the state of each key event;
// a grab without them would not fire while either is on.
constexpr quint16 lockVariants[]
    = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr quint16 lockModifiers = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
// The key event's state also carries the pointer buttons held; only these bits are keys.
constexpr quint16 keyModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_CONTROL
    | XCB_MOD_MASK_1 | XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;
constexpr int badAccess = 10;

QString keysText(QKeyCombination keys)
{
    return QKeySequence(keys).toString(QKeySequence::NativeText);
}

} // namespace

X11ChordBackend::X11ChordBackend(QByteArray displayName, QObject *parent)
    : ChordBackend(parent)
    , m_displayName(std::move(displayName))
{ }

X11ChordBackend::~X11ChordBackend()
{
    removeHandler();
}

QCoro::Task<ChordStatus> X11ChordBackend::installHandler()
{
    co_return install();
}

QCoro::Task<ChordStatus> X11ChordBackend::registerChord(ChordRequest chord)
{
    unregisterChord();
    const ChordStatus status = grab(chord);
    if (status.ok())
        m_registered = chord;
    co_return status;
}

quint16 X11ChordBackend::modifierMask(Qt::KeyboardModifiers modifiers)
{
    quint16 mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4; // Super
    return mask;
}

quint32 X11ChordBackend::keySymbol(Qt::Key key)
{
    // The Latin-1 key symbols of the unshifted letters and the digits are their ASCII codes.
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return 'a' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return '0' + (key - Qt::Key_0);
    return 0;
}

ChordStatus X11ChordBackend::install()
{
    removeHandler();
    int screenNumber = 0;
    xcb_connection_t *connection
        = xcb_connect(m_displayName.isEmpty() ? nullptr : m_displayName.constData(), &screenNumber);
    if (const int error = xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        const QByteArray display = m_displayName.isEmpty() ? qgetenv("DISPLAY") : m_displayName;
        return {error,
                u"no connection to the X display \"%1\""_s.arg(QString::fromLocal8Bit(display))};
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i)
        xcb_screen_next(&screens);
    if (screens.rem <= 0) {
        xcb_disconnect(connection);
        return {-1, u"the X display has no screen %1"_s.arg(screenNumber)};
    }
    m_connection = connection;
    m_root = screens.data->root;
    m_notifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection),
                                                   QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &X11ChordBackend::readEvents);
    return {};
}

void X11ChordBackend::removeHandler()
{
    ungrabAll();
    m_notifier.reset();
    if (m_connection)
        xcb_disconnect(m_connection);
    m_connection = nullptr;
    m_root = 0;
}

ChordStatus X11ChordBackend::grab(const ChordRequest &chord)
{
    ungrabAll();
    if (!m_connection)
        return {-1, u"no connection to the X display"_s};
    const quint32 symbol = keySymbol(chord.keys.key());
    if (symbol == 0)
        return {-1, u"%1 has no X key symbol"_s.arg(keysText(chord.keys))};

    QList<quint8> keycodes;
    xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
    if (xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, symbol)) {
        for (xcb_keycode_t *code = codes; *code != XCB_NO_SYMBOL; ++code)
            keycodes.append(*code);
        std::free(codes);
    }
    xcb_key_symbols_free(symbols);
    if (keycodes.isEmpty())
        return {-1, u"no key of the keyboard map types %1"_s.arg(keysText(chord.keys))};

    const quint16 modifiers = modifierMask(chord.keys.keyboardModifiers());
    struct Pending
    {
        Grab grab;
        xcb_void_cookie_t cookie;
    };
    QList<Pending> pending;
    for (const quint8 keycode : std::as_const(keycodes)) {
        for (const quint16 variant : lockVariants) {
            const Grab grab{keycode, static_cast<quint16>(modifiers | variant)};
            pending.append({grab,
                            xcb_grab_key_checked(m_connection, 1, m_root, grab.modifiers, keycode,
                                                 XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)});
        }
    }
    int refusal = 0;
    for (const Pending &request : std::as_const(pending)) {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, request.cookie)) {
            if (refusal == 0)
                refusal = error->error_code;
            std::free(error);
        } else {
            m_grabs.append(request.grab);
        }
    }
    // Waiting for the replies may have queued events the notifier will not announce.
    QTimer::singleShot(0, this, &X11ChordBackend::readEvents);
    if (refusal != 0) {
        ungrabAll();
        return {refusal,
                refusal == badAccess
                    ? u"another program has already taken %1"_s.arg(keysText(chord.keys))
                    : u"the X server refused to grab %1 (X error %2)"_s.arg(keysText(chord.keys))
                          .arg(refusal)};
    }
    m_chordModifiers = modifiers;
    m_chordKeycodes = keycodes;
    m_identity = chord.identity;
    return {};
}

void X11ChordBackend::unregisterChord()
{
    m_registered.reset();
    ungrabAll();
}

void X11ChordBackend::ungrabAll()
{
    if (m_connection) {
        for (const Grab &grab : std::as_const(m_grabs))
            xcb_ungrab_key(m_connection, grab.keycode, m_root, grab.modifiers);
        xcb_flush(m_connection);
    }
    m_grabs.clear();
    m_chordKeycodes.clear();
    m_chordModifiers = 0;
    m_identity = {};
}

void X11ChordBackend::readEvents()
{
    bool remapped = false;
    // Whoever hears pressed() may remove the handler before the loop goes on.
    while (m_connection) {
        xcb_generic_event_t *event = xcb_poll_for_event(m_connection);
        if (!event)
            break;
        bool ours = false;
        const quint8 type = event->response_type & ~0x80;
        if (type == XCB_KEY_PRESS) {
            const auto *press = reinterpret_cast<const xcb_key_press_event_t *>(event);
            const quint16 held = press->state & keyModifiers & ~lockModifiers;
            ours = m_chordKeycodes.contains(press->detail) && held == m_chordModifiers;
        } else if (type == XCB_MAPPING_NOTIFY) {
            const auto *mapping = reinterpret_cast<const xcb_mapping_notify_event_t *>(event);
            remapped = remapped || mapping->request == XCB_MAPPING_KEYBOARD;
        }
        std::free(event);
        if (ours)
            Q_EMIT pressed(m_identity, QString());
    }
    // A new keyboard map (another layout, say Dvorak) may put the chord's letter on another
    // key: follow it. Should the new key be taken, the chord waits for the next map.
    if (remapped && m_connection && m_registered)
        grab(*m_registered);
    // A server that went away leaves the socket readable for ever.
    if (m_connection && xcb_connection_has_error(m_connection) && m_notifier)
        m_notifier->setEnabled(false);
}
