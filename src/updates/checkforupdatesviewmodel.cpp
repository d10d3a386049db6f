#include "updates/checkforupdatesviewmodel.h"

#include "updates/directupdater.h"

CheckForUpdatesViewModel::CheckForUpdatesViewModel(DirectUpdater *updater, QObject *parent)
    : QObject(parent)
    , m_updater(updater)
{
    if (!m_updater)
        return;
    setCanCheckForUpdates(m_updater->canCheckForUpdates());
    connect(m_updater, &DirectUpdater::canCheckForUpdatesChanged, this,
            &CheckForUpdatesViewModel::setCanCheckForUpdates);
    // An updater that goes away can no longer check.
    connect(m_updater, &QObject::destroyed, this, [this] { setCanCheckForUpdates(false); });
}

void CheckForUpdatesViewModel::setCanCheckForUpdates(bool canCheck)
{
    if (m_canCheckForUpdates == canCheck)
        return;
    m_canCheckForUpdates = canCheck;
    Q_EMIT canCheckForUpdatesChanged(canCheck);
}
