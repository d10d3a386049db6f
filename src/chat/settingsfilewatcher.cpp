#include "chat/settingsfilewatcher.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QFileInfo>

SettingsFileWatcher::SettingsFileWatcher(Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
{
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences)
        m_known.insert(entry.name.toString(), m_settings.value(entry.name));

    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMs);
    connect(&m_settle, &QTimer::timeout, this, &SettingsFileWatcher::compare);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] {
        watchFolder();
        m_settle.start();
    });
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        // Announced already, by our own write or by compare() itself.
        if (m_known.contains(key))
            m_known.insert(key, m_settings.value(key));
        watchFolder();
    });
    watchFolder();
}

void SettingsFileWatcher::watchFolder()
{
    // The folder appears with the first save; until then its parent is watched for it.
    const QString folder = QFileInfo(m_settings.fileName()).absolutePath();
    const QString watched = QFileInfo::exists(folder) ? folder : QFileInfo(folder).absolutePath();
    const QStringList current = m_watcher.directories();
    if (current == QStringList{watched})
        return;
    if (!current.isEmpty())
        m_watcher.removePaths(current);
    if (QFileInfo::exists(watched))
        m_watcher.addPath(watched);
}

void SettingsFileWatcher::compare()
{
    QStringList changedKeys;
    for (auto it = m_known.begin(); it != m_known.end(); ++it) {
        const QVariant now = m_settings.value(it.key());
        if (now != it.value()) {
            it.value() = now;
            changedKeys.append(it.key());
        }
    }
    for (const QString &key : std::as_const(changedKeys))
        m_settings.announceExternalChange(key);
}
