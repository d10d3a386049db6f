#pragma once

#include "shell/chordbackend.h"

#include <QByteArray>
#include <QList>

#include <memory>
#include <optional>

class QSocketNotifier;
struct xcb_connection_t;

// The chord as a passive key grab on the X root window. It talks to the X server over a
// connection of its own, so it works whatever Qt's platform is and only ever sees the
// events of its grabs and the keyboard map's changes. The chord is grabbed also with Caps Lock and
// Num Lock on, or those would silently swallow it.
class X11ChordBackend : public ChordBackend
{
    Q_OBJECT

public:
    // `displayName` as in $DISPLAY (":0"); empty means $DISPLAY.
    explicit X11ChordBackend(QByteArray displayName = {}, QObject *parent = nullptr);
    ~X11ChordBackend() override;

    QCoro::Task<ChordStatus> installHandler() override;
    void removeHandler() override;
    QCoro::Task<ChordStatus> registerChord(ChordRequest chord) override;
    void unregisterChord() override;

    // The keys grabbed for the chord under the current keyboard map.
    QList<quint8> keycodes() const { return m_chordKeycodes; }

    // The X modifier mask for the chord's modifiers, and the key symbol of its key (a letter
    // or digit); 0 for keys and modifiers that have none here.
    static quint16 modifierMask(Qt::KeyboardModifiers modifiers);
    static quint32 keySymbol(Qt::Key key);

private:
    struct Grab
    {
        quint8 keycode = 0;
        quint16 modifiers = 0;
    };

    ChordStatus install();
    // Replaces the grabs with those of `chord` under the current keyboard map.
    ChordStatus grab(const ChordRequest &chord);
    void ungrabAll();
    void readEvents();

    QByteArray m_displayName;
    xcb_connection_t *m_connection = nullptr;
    quint32 m_root = 0;
    std::unique_ptr<QSocketNotifier> m_notifier;
    QList<Grab> m_grabs;
    // The chord's own modifiers, without the lock variants.
    quint16 m_chordModifiers = 0;
    QList<quint8> m_chordKeycodes;
    ChordIdentity m_identity;
    // What registerChord() was asked for, to grab again when the keyboard map changes.
    std::optional<ChordRequest> m_registered;
};
