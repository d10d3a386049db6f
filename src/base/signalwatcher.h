#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

// Turns POSIX signals into a signal on the event loop, so that the program can stop its work
// cleanly instead of being ended in the middle of a write. The handler itself only writes
// one byte into a pipe; everything else happens when the event loop reads it.
//
// Each signal is caught once: the handler resets itself, so a second one has its default
// effect and ends a process that does not stop. One watcher at a time; the previous
// handlers come back when it is destroyed.
class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(const QList<int> &signalNumbers, QObject *parent = nullptr);
    ~SignalWatcher() override;

    // False when the pipe or the handlers could not be set up (or another watcher exists);
    // the signals then keep their previous effect.
    bool isActive() const { return m_active; }

    // Runs inside the handler, after the byte is written, for what cannot wait for the event
    // loop: it may only make async-signal-safe calls. nullptr runs nothing.
    using HandlerHook = void (*)();
    void setHandlerHook(HandlerHook hook);

Q_SIGNALS:
    void caught();

private:
    void onReadable();

    QList<int> m_signals;
    QSocketNotifier *m_notifier = nullptr;
    bool m_active = false;
};
