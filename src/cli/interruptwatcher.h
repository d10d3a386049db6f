#pragma once

#include "base/signalwatcher.h"

#include <QObject>

#include <chrono>

// Turns Ctrl-C (SIGINT) into a signal on the event loop, so that a command can stop its
// work cleanly instead of being killed in the middle of a write.
//
// Only the first Ctrl-C is caught: a second one ends a process that is stuck the ordinary
// way. One watcher at a time; the previous disposition of SIGINT comes back when it is
// destroyed.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    // False when the pipe or the handler could not be set up (or another watcher exists);
    // SIGINT then keeps its default effect.
    bool isActive() const { return m_watcher.isActive(); }

    // Ends the process with `exitCode` when this watcher still exists `grace` after the first
    // Ctrl-C: a command whose work does not unwind in time (a call that blocks, an event loop
    // that does not get back to the pipe) still ends when asked. Standard output gets the
    // line break an interrupted command leaves; whatever it had not written yet is lost.
    void setDeadline(std::chrono::milliseconds grace, int exitCode);

Q_SIGNALS:
    void interrupted();

private:
    SignalWatcher m_watcher;
};
