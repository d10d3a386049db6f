#pragma once

#include <QObject>

class QSocketNotifier;

// Turns Ctrl-C (SIGINT) into a signal on the event loop, so that a command can stop its
// work cleanly instead of being killed in the middle of a write. The handler itself only
// writes one byte into a pipe; everything else happens when the event loop reads it.
//
// Only the first Ctrl-C is caught: the handler resets itself, so a second one ends a
// process that is stuck the ordinary way. One watcher at a time; the previous disposition
// of SIGINT comes back when it is destroyed.
class InterruptWatcher : public QObject
{
    Q_OBJECT

public:
    explicit InterruptWatcher(QObject *parent = nullptr);
    ~InterruptWatcher() override;

    // False when the pipe or the handler could not be set up (or another watcher exists);
    // SIGINT then keeps its default effect.
    bool isActive() const { return m_active; }

Q_SIGNALS:
    void interrupted();

private:
    void onReadable();

    QSocketNotifier *m_notifier = nullptr;
    bool m_active = false;
};
