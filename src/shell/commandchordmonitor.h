#pragma once

#include "shell/chordbackend.h"

#include <QCoroTask>
#include <QKeyCombination>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// The one system-wide key chord that opens the Quick Ask bar from anywhere: Super+Shift+K on
// Linux, Command-Shift-K on macOS. Registers it through a back end (an X11 key grab, or the
// desktop portal's GlobalShortcuts on Wayland), checks each press is its own and runs the
// action on the main thread, after the back end's handler has returned. Failures are logged
// (category "velm.chord"); the rest of the program works without the chord.
class CommandChordMonitor : public QObject
{
    Q_OBJECT

public:
    enum class State {
        NothingRegistered,
        HandlerInstalled, // the chord itself could not be registered
        BothRegistered,
    };
    enum class BackendKind { None, X11, Portal };

    // Picks the back end for the running platform (see backendKindFor).
    explicit CommandChordMonitor(QObject *parent = nullptr);
    // Uses `backend`; none means the platform has no global chord.
    explicit CommandChordMonitor(std::unique_ptr<ChordBackend> backend, QObject *parent = nullptr);
    ~CommandChordMonitor() override;

    // The process's monitor; it lives until the application object is destroyed.
    static CommandChordMonitor &shared();

    std::function<void()> action() const { return m_action; }
    void setAction(std::function<void()> action);

    // Starts from nothing registered, then installs the handler and registers the chord.
    // Safe to call again. With the portal the steps finish later, when the desktop answers.
    void registerHotKey();

    State state() const { return m_state; }
    ChordBackend *backend() const { return m_backend.get(); }
    // The token of the press that ran the action last, for raising a window on Wayland
    // (set it as XDG_ACTIVATION_TOKEN before showing); empty when the system gave none.
    QString lastActivationToken() const { return m_lastActivationToken; }

    static constexpr quint32 hotKeyId = 1;
    // The bytes of the text's UTF-8 form shifted in from the right, kept to 32 bits.
    static quint32 fourCharCode(const QString &text);
    // fourCharCode("VELM"), computed once.
    static quint32 hotKeySignature();

    // "xcb" → X11, "wayland" (and "wayland-egl" …) → Portal, anything else → None.
    // `override` ("x11", "portal", "none"; from VELM_CHORD_BACKEND) wins when it is one
    // of those.
    static BackendKind backendKindFor(const QString &platformName, const QString &override);
    static std::unique_ptr<ChordBackend> createBackend(BackendKind kind);

private:
    QCoro::Task<> runRegistration(quint64 generation);
    void unregisterAll();
    void handlePress(ChordIdentity identity, const QString &activationToken);

    std::unique_ptr<ChordBackend> m_backend;
    std::function<void()> m_action;
    State m_state = State::NothingRegistered;
    // Bumped by every start from nothing: a registration still waiting for the system
    // when it changes has been overtaken and must not touch the state.
    quint64 m_generation = 0;
    bool m_inProgress = false;
    bool m_reportedNoBackend = false;
    QString m_lastActivationToken;
};
