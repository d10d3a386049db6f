#include "core/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

Settings::Settings(QObject *parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                             QStringLiteral("velm"), QStringLiteral("velm")))
    // Named explicitly rather than through AppDataLocation, which would move with the
    // organisation name that the application may or may not have set.
    , m_dataDirectory(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                      + QStringLiteral("/velm"))
{ }

Settings::Settings(const QString &settingsFile, const QString &dataDirectory, QObject *parent)
    : QObject(parent)
    , m_settings(std::make_unique<QSettings>(settingsFile, QSettings::IniFormat))
    , m_dataDirectory(dataDirectory)
{ }

Settings::~Settings() = default;

QString Settings::fileName() const
{
    return m_settings->fileName();
}

QString Settings::dataDirectory() const
{
    return m_dataDirectory;
}

QString Settings::dataFilePath(QStringView key) const
{
    if (!SettingsKeys::isDataKey(key))
        return {};
    return m_dataDirectory + u'/' + key.toString() + QStringLiteral(".json");
}

QVariant Settings::value(QStringView key) const
{
    const SettingsKeys::KeySpec *entry = SettingsKeys::preference(key);
    if (!entry)
        return {};
    // QSettings answers from a cache that only sync() refreshes. With nothing of ours
    // pending, sync() costs one stat() of the file and re-reads only when its size or time
    // changed, so another process's writes are seen at the next read.
    m_settings->sync();
    const QVariant stored = m_settings->value(key);
    if (stored.isValid()) {
        if (const auto typed = SettingsKeys::coerce(entry->type, stored))
            return *typed;
    }
    return SettingsKeys::defaultValue(*entry);
}

bool Settings::setValue(QStringView key, const QVariant &value)
{
    const SettingsKeys::KeySpec *entry = SettingsKeys::preference(key);
    if (!entry)
        return false;
    const auto typed = SettingsKeys::coerce(entry->type, value);
    if (!typed)
        return false;
    m_settings->setValue(key, *typed);
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    Q_EMIT changed(key.toString());
    return ok;
}

void Settings::announceExternalChange(const QString &key)
{
    if (SettingsKeys::preference(key))
        Q_EMIT changed(key);
}

bool Settings::contains(QStringView key) const
{
    if (SettingsKeys::isDataKey(key))
        return QFileInfo::exists(dataFilePath(key));
    if (!SettingsKeys::preference(key) && !SettingsKeys::isLegacyOnboardingKey(key))
        return false;
    m_settings->sync();
    return m_settings->contains(key);
}

bool Settings::remove(QStringView key)
{
    if (SettingsKeys::isDataKey(key))
        return removeData(key);
    if (!SettingsKeys::preference(key) && !SettingsKeys::isLegacyOnboardingKey(key))
        return false;
    m_settings->remove(key);
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    Q_EMIT changed(key.toString());
    return ok;
}

bool Settings::clear()
{
    m_settings->sync();
    QStringList keys = m_settings->allKeys();
    m_settings->clear();
    m_settings->sync();
    const bool ok = m_settings->status() == QSettings::NoError;
    // Every preference may have changed its value (back to its default), stored or not.
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences) {
        if (!keys.contains(entry.name))
            keys.append(entry.name.toString());
    }
    for (const QString &key : std::as_const(keys))
        Q_EMIT changed(key);
    return ok;
}

QByteArray Settings::data(QStringView key) const
{
    const QString path = dataFilePath(key);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool Settings::setData(QStringView key, const QByteArray &bytes)
{
    const QString path = dataFilePath(key);
    if (path.isEmpty())
        return false;
    if (!QFileInfo::exists(m_dataDirectory)) {
        if (!QDir().mkpath(m_dataDirectory))
            return false;
        // Conversations are private: other users of the machine may not list or read them.
        QFile::setPermissions(m_dataDirectory,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // Written beside the old file and renamed over it, so a crash or a full disk leaves
    // the previous list intact.
    QSaveFile file(path);
    const bool ok
        = file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok)
        qWarning("velm: could not write %s: %s", qPrintable(QDir::toNativeSeparators(path)),
                 qPrintable(file.errorString()));
    Q_EMIT changed(key.toString());
    return ok;
}

bool Settings::removeData(QStringView key)
{
    const QString path = dataFilePath(key);
    if (path.isEmpty())
        return false;
    const bool ok = !QFileInfo::exists(path) || QFile::remove(path);
    Q_EMIT changed(key.toString());
    return ok;
}

QString Settings::stringValue(QStringView key) const
{
    return value(key).toString();
}

bool Settings::boolValue(QStringView key) const
{
    return value(key).toBool();
}

bool Settings::hasCompletedOnboarding() const
{
    return boolValue(SettingsKeys::hasCompletedOnboarding);
}

void Settings::setHasCompletedOnboarding(bool completed)
{
    setValue(SettingsKeys::hasCompletedOnboarding, completed);
}

QString Settings::userName() const
{
    return stringValue(SettingsKeys::userName);
}

void Settings::setUserName(const QString &name)
{
    setValue(SettingsKeys::userName, name);
}

QString Settings::systemPrompt() const
{
    return stringValue(SettingsKeys::systemPrompt);
}

void Settings::setSystemPrompt(const QString &prompt)
{
    setValue(SettingsKeys::systemPrompt, prompt);
}

QString Settings::activePromptSuggestions() const
{
    return stringValue(SettingsKeys::activePromptSuggestions);
}

QStringList Settings::activePromptSuggestionIds() const
{
    return SettingsKeys::promptSuggestionIdsFrom(activePromptSuggestions());
}

void Settings::setActivePromptSuggestions(const QString &ids)
{
    setValue(SettingsKeys::activePromptSuggestions, ids);
}

QString Settings::lmStudioServerAddress() const
{
    return stringValue(SettingsKeys::lmStudioServerAddress);
}

void Settings::setLmStudioServerAddress(const QString &address)
{
    setValue(SettingsKeys::lmStudioServerAddress, address);
}

QString Settings::webSearchMode() const
{
    return stringValue(SettingsKeys::webSearchMode);
}

SettingsKeys::WebSearchMode Settings::webSearchModeChoice() const
{
    return SettingsKeys::webSearchModeFrom(webSearchMode());
}

void Settings::setWebSearchMode(const QString &mode)
{
    setValue(SettingsKeys::webSearchMode, mode);
}

void Settings::setWebSearchMode(SettingsKeys::WebSearchMode mode)
{
    setWebSearchMode(SettingsKeys::webSearchModeName(mode));
}

QString Settings::searxngHost() const
{
    return stringValue(SettingsKeys::searxngHost).trimmed();
}

void Settings::setSearxngHost(const QString &host)
{
    setValue(SettingsKeys::searxngHost, host);
}

QString Settings::searxngPort() const
{
    return stringValue(SettingsKeys::searxngPort).trimmed();
}

void Settings::setSearxngPort(const QString &port)
{
    setValue(SettingsKeys::searxngPort, port);
}

bool Settings::searxngUseHTTPS() const
{
    return boolValue(SettingsKeys::searxngUseHTTPS);
}

void Settings::setSearxngUseHTTPS(bool useHttps)
{
    setValue(SettingsKeys::searxngUseHTTPS, useHttps);
}

QString Settings::appTheme() const
{
    return stringValue(SettingsKeys::appTheme);
}

AppTheme Settings::theme() const
{
    return AppThemes::fromStored(appTheme());
}

void Settings::setAppTheme(const QString &theme)
{
    setValue(SettingsKeys::appTheme, theme);
}

bool Settings::quickAskFollowsSystemTheme() const
{
    return boolValue(SettingsKeys::quickAskFollowsSystemTheme);
}

void Settings::setQuickAskFollowsSystemTheme(bool follows)
{
    setValue(SettingsKeys::quickAskFollowsSystemTheme, follows);
}
