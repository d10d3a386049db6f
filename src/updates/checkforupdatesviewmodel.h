#pragma once

#include <QObject>
#include <QPointer>

class DirectUpdater;

// Whether the "Check for Updates..." command may run now: it follows the updater, so the
// command turns off while a check or a download runs. Without an updater, or with one whose
// updating is off, it stays false for good.
class CheckForUpdatesViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit CheckForUpdatesViewModel(DirectUpdater *updater, QObject *parent = nullptr);

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

Q_SIGNALS:
    void canCheckForUpdatesChanged(bool canCheck);

private:
    void setCanCheckForUpdates(bool canCheck);

    QPointer<DirectUpdater> m_updater;
    bool m_canCheckForUpdates = false;
};
