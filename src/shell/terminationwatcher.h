#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGHUP and SIGINT into a signal on the event loop. The end of a desktop
// session (systemd stopping the user's services, the X session closing its terminal) and a
// plain `kill` arrive this way; velm then quits as "Quit velm" does instead of dying in the
// middle of whatever it was doing, and leaves no socket behind for the next launch.
//
// The handler only writes one byte into a pipe; everything else happens when the event
// loop reads it. Each signal is caught once: a second one ends a process that does not
// stop. One watcher at a time; the previous handlers come back when it is destroyed.
class TerminationWatcher : public QObject
{
    Q_OBJECT

public:
    explicit TerminationWatcher(QObject *parent = nullptr);
    ~TerminationWatcher() override;

    // False when the pipe or the handlers could not be set up (or another watcher exists).
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void terminationRequested();

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
    bool m_active = false;
};
