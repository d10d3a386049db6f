#include "chat/settingsfilewatcher.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"

#include <QFileInfo>

SettingsFileWatcher::SettingsFileWatcher(Settings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_folder(QFileInfo(settings.fileName()).absolutePath())
{
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences)
        m_known.insert(entry.name.toString(), m_settings.value(entry.name));

    connect(&m_folder, &FolderWatcher::changed, this, &SettingsFileWatcher::compare);
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        // Announced already, by our own write or by compare() itself.
        if (m_known.contains(key))
            m_known.insert(key, m_settings.value(key));
        m_folder.refresh();
    });
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
