#include "chat/settings.h"

#include "attachments/documentattachment.h"
#include "base/atomicfile.h"
#include "base/filelock.h"
#include "search/searchmode.h"
#include "search/searxngconfig.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

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
    const bool ok = editPreferences(
        [&key, &typed](QSettings &preferences) { preferences.setValue(key, *typed); });
    Q_EMIT changed(key.toString());
    return ok;
}

bool Settings::editPreferences(const std::function<void(QSettings &)> &edit)
{
    const QString target = fileName();
    const QFileInfo info(target);
    if (!QDir().mkpath(info.absolutePath())) {
        qWarning("velm: could not create %s", qPrintable(info.absolutePath()));
        return false;
    }
    QString why;
    // Every process writing the preferences (the app, `velm config`) goes through here.
    const std::optional<FileLock> lock = FileLock::acquire(
        info.absoluteDir().filePath(u"velm.lock"_s), std::chrono::seconds(10), &why);
    if (!lock) {
        qWarning("velm: could not write %s: %s", qPrintable(target), qPrintable(why));
        return false;
    }

    // QSettings cannot be trusted to write its own file: on a nearly full disk it may
    // replace it with an empty one and report success. So it edits a copy, which is read
    // back from disk and compared before it takes the file's place. Copies have names no
    // QSettings in this process has seen, so that reading one back really reads the disk.
    static int serial = 0;
    const QString stem = target + u".%1-%2"_s.arg(QCoreApplication::applicationPid()).arg(++serial);
    const QString scratch = stem + u".new"_s;
    const QString check = stem + u".check"_s;
    const auto fail = [&](const QString &reason) {
        QFile::remove(scratch);
        QFile::remove(check);
        qWarning("velm: could not write %s: %s", qPrintable(target), qPrintable(reason));
        return false;
    };

    QByteArray current;
    if (info.exists()) {
        QFile file(target);
        if (!file.open(QIODevice::ReadOnly))
            return fail(file.errorString());
        current = file.readAll();
    }
    if (!AtomicFile::write(scratch, current, &why))
        return fail(why);

    QHash<QString, QString> expected;
    {
        QSettings writer(scratch, m_settings->format());
        edit(writer);
        writer.sync();
        if (writer.status() != QSettings::NoError)
            return fail(u"the edited copy could not be written"_s);
        for (const QString &key : writer.allKeys())
            expected.insert(key, writer.value(key).toString());
    }
    if (!QFile::rename(scratch, check))
        return fail(u"the edited copy could not be renamed"_s);
    {
        const QSettings reader(check, m_settings->format());
        const QStringList keys = reader.allKeys();
        if (reader.status() != QSettings::NoError || keys.size() != expected.size())
            return fail(u"the edited copy is incomplete (is the disk full?)"_s);
        for (const QString &key : keys) {
            const auto value = expected.constFind(key);
            if (value == expected.cend() || *value != reader.value(key).toString())
                return fail(u"the edited copy is incomplete (is the disk full?)"_s);
        }
    }
    // Readers notice a new file by its size and modification time to the millisecond; a
    // write within the same millisecond that keeps the size must still be noticed.
    if (info.exists()) {
        const QDateTime previous = info.lastModified();
        QFile copy(check);
        if (copy.open(QIODevice::ReadWrite)
            && copy.fileTime(QFile::FileModificationTime) <= previous)
            copy.setFileTime(previous.addMSecs(1), QFile::FileModificationTime);
    }
    if (::rename(QFile::encodeName(check).constData(), QFile::encodeName(target).constData()) != 0)
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    return true;
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
    const bool ok = editPreferences([&key](QSettings &preferences) { preferences.remove(key); });
    Q_EMIT changed(key.toString());
    return ok;
}

bool Settings::clear()
{
    m_settings->sync();
    QStringList keys = m_settings->allKeys();
    const bool ok = editPreferences([](QSettings &preferences) { preferences.clear(); });
    // Every preference may have changed its value (back to its default), stored or not.
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::preferences) {
        if (!keys.contains(entry.name))
            keys.append(entry.name.toString());
    }
    for (const QString &key : std::as_const(keys))
        Q_EMIT changed(key);
    return ok;
}

QByteArray Settings::data(QStringView key, QString *error) const
{
    if (error)
        error->clear();
    const QString path = dataFilePath(key);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error && file.exists())
            *error = file.errorString();
        return {};
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return {};
    }
    return bytes;
}

bool Settings::makeDataDirectory(QString *error) const
{
    if (QFileInfo(m_dataDirectory).isDir())
        return true;
    if (!QDir().mkpath(m_dataDirectory)) {
        if (error)
            *error = u"the folder %1 could not be created"_s.arg(
                QDir::toNativeSeparators(m_dataDirectory));
        return false;
    }
    // Conversations are private: other users of the machine may not list or read them.
    QFile::setPermissions(m_dataDirectory, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return true;
}

bool Settings::setData(QStringView key, const QByteArray &bytes, QString *error)
{
    const QString path = dataFilePath(key);
    if (path.isEmpty())
        return false;
    QString why;
    const bool ok = makeDataDirectory(&why) && AtomicFile::write(path, bytes, &why);
    if (!ok) {
        qWarning("velm: could not write %s: %s", qPrintable(QDir::toNativeSeparators(path)),
                 qPrintable(why));
        if (error)
            *error = why;
    }
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

WebSearchMode Settings::webSearchModeChoice() const
{
    return WebSearch::modeFrom(webSearchMode());
}

void Settings::setWebSearchMode(const QString &mode)
{
    setValue(SettingsKeys::webSearchMode, mode);
}

void Settings::setWebSearchMode(WebSearchMode mode)
{
    setWebSearchMode(WebSearch::modeName(mode));
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

QString Settings::searxngBaseURL() const
{
    return SearxngConfig{searxngHost(), searxngPort(), searxngUseHTTPS()}.baseURL();
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

bool Settings::showThinking() const
{
    return boolValue(SettingsKeys::showThinking);
}

void Settings::setShowThinking(bool show)
{
    setValue(SettingsKeys::showThinking, show);
}

QString Settings::preferredModel() const
{
    return stringValue(SettingsKeys::preferredModel).trimmed();
}

void Settings::setPreferredModel(const QString &id)
{
    setValue(SettingsKeys::preferredModel, id.trimmed());
}

double Settings::temperature() const
{
    return std::clamp(value(SettingsKeys::temperature).toDouble(), SettingsKeys::minTemperature,
                      SettingsKeys::maxTemperature);
}

void Settings::setTemperature(double temperature)
{
    setValue(SettingsKeys::temperature, temperature);
}

std::optional<int> Settings::maxTokens() const
{
    const int tokens = value(SettingsKeys::maxTokens).toInt();
    return tokens > 0 ? std::optional<int>(tokens) : std::nullopt;
}

qsizetype Settings::attachmentTextLimit() const
{
    bool ok = false;
    const qlonglong characters = value(SettingsKeys::attachmentTextLimit).toLongLong(&ok);
    return ok && characters >= 0 ? qsizetype(characters) : DocumentAttachment::defaultMaxCharacters;
}

void Settings::setAttachmentTextLimit(qsizetype characters)
{
    setValue(SettingsKeys::attachmentTextLimit, qlonglong(std::max<qsizetype>(0, characters)));
}

void Settings::setMaxTokens(std::optional<int> tokens)
{
    setValue(SettingsKeys::maxTokens, tokens && *tokens > 0 ? *tokens : 0);
}
