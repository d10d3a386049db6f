#pragma once

#include "chat/settings.h"

#include <QTemporaryDir>

// Settings whose file and data folder live in a directory that goes away with them.
class TempSettings
{
public:
    TempSettings();

    bool isValid() const { return m_dir.isValid(); }
    Settings &settings() { return m_settings; }
    Settings *operator->() { return &m_settings; }
    Settings &operator*() { return m_settings; }

    // A path inside the throw-away directory.
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString settingsFile() const;
    QString dataDirectory() const;

private:
    QTemporaryDir m_dir;
    Settings m_settings;
};
