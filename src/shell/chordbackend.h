#pragma once

#include <QCoroTask>
#include <QKeyCombination>
#include <QObject>
#include <QString>

// Who a chord belongs to: the program's four-character signature and the chord's number.
// A back end hands back the identity it was given at registration with every press, and
// the monitor decides from it whether the press is its own.
struct ChordIdentity
{
    quint32 signature = 0;
    quint32 id = 0;

    friend bool operator==(const ChordIdentity &, const ChordIdentity &) = default;
};

// The outcome of installing a handler or registering a chord. `code` is the system's own
// number (an X error code, a D-Bus error type, a portal response), 0 on success, never 0
// on failure; `text` says in words what went wrong.
struct ChordStatus
{
    int code = 0;
    QString text;

    bool ok() const { return code == 0; }
};

// What to register: the keys, who the chord belongs to, and the name and description a
// desktop shows when it lists or confirms the shortcut.
struct ChordRequest
{
    QKeyCombination keys;
    ChordIdentity identity;
    QString name;
    QString description;
};

// One system-wide hot-key facility. A back end holds at most one handler (its connection to
// the system) and at most one chord at a time, and reports presses of its chord with
// pressed(), on the thread it lives in.
//
// installHandler() and registerChord() may finish later (the desktop portal answers over
// D-Bus, and may ask the user first). removeHandler() and unregisterChord() take effect at
// once, and also abandon an install or a registration still in progress: that task then
// finishes with a failure and leaves nothing behind, so the caller can start afresh at any
// moment. Destroying a back end undoes both and abandons what is in progress: its tasks
// then never finish, so whoever awaits them must not rely on it.
class ChordBackend : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    virtual QCoro::Task<ChordStatus> installHandler() = 0;
    virtual void removeHandler() = 0;
    // Needs an installed handler.
    virtual QCoro::Task<ChordStatus> registerChord(ChordRequest chord) = 0;
    virtual void unregisterChord() = 0;

Q_SIGNALS:
    // The registered chord was pressed. `activationToken` lets a window raised in answer take
    // the focus on Wayland; empty where the system gives none.
    void pressed(ChordIdentity identity, const QString &activationToken);
};
