#pragma once

#include "base/folderwatcher.h"

#include <QHash>
#include <QObject>
#include <QVariant>

class Settings;

// Notices preferences changed by another process — `velm config`, a hand edit, a synced
// copy — and announces each one through Settings::changed, so open windows show the new
// value as they do for a change made in velm itself. Only preferences whose value really
// differs are announced; this process's own writes are already known and stay quiet.
class SettingsFileWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SettingsFileWatcher(Settings &settings, QObject *parent = nullptr);

private:
    void compare();

    Settings &m_settings;
    // QSettings saves by replacing the file; its folder appears with the first save.
    FolderWatcher m_folder;
    QHash<QString, QVariant> m_known;
};
