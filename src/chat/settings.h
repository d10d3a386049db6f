#pragma once

#include "base/apptheme.h"
#include "chat/settingskeys.h"
#include "search/searchmode.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

class QSettings;

// The user's preferences and stored data. The preferences are small values in a QSettings
// file; each raw-data key ("chatSessions", "mainChatMessages") is a file of its own in the
// data directory, because QSettings rewrites and escapes its whole file on every save.
//
// Every writer in the process goes through one Settings object, which announces each write
// with changed(key); reads always reflect the file, also when another process (the `velm
// config` command) wrote it meanwhile.
class Settings : public QObject
{
    Q_OBJECT

public:
    // The user's own store: ~/.config/velm/velm.conf and ~/.local/share/velm on Linux.
    explicit Settings(QObject *parent = nullptr);
    // A store in the given INI file and data directory, for tests and tools.
    Settings(const QString &settingsFile, const QString &dataDirectory, QObject *parent = nullptr);
    ~Settings() override;

    QString fileName() const;
    QString dataDirectory() const;
    // Where the bytes of a raw-data key live; empty for any other key.
    QString dataFilePath(QStringView key) const;

    // Preferences by name (SettingsKeys::preferences). value() gives the default for a key
    // that is missing or holds something unreadable, and an invalid QVariant for a name
    // that is not a preference. setValue() refuses unknown names and values that are not
    // of the key's type.
    QVariant value(QStringView key) const;
    bool setValue(QStringView key, const QVariant &value);
    bool contains(QStringView key) const;
    // Removes any key of SettingsKeys::resetKeys, the raw-data keys included.
    bool remove(QStringView key);
    // Empties the preferences file: every key in it goes, also ones this version does not
    // know. Announces every preference and every removed key. The raw-data files are not
    // part of that file and stay.
    bool clear();

    // Raw data of SettingsKeys::dataKeys; a null array when nothing is stored. Other names
    // are refused, so a key can never name a path outside the data directory. A file that
    // is there but cannot be read also gives a null array, and says why in `error`, which
    // stays empty otherwise.
    QByteArray data(QStringView key, QString *error = nullptr) const;
    // Replaces the data in one step (see AtomicFile); false, and why in `error`, when the
    // bytes could not all be written, with the old data left as it was.
    bool setData(QStringView key, const QByteArray &bytes, QString *error = nullptr);
    bool removeData(QStringView key);
    // Creates the data directory, private to the user, unless it exists.
    bool makeDataDirectory(QString *error = nullptr) const;

    bool hasCompletedOnboarding() const;
    void setHasCompletedOnboarding(bool completed);
    QString userName() const;
    void setUserName(const QString &name);
    QString systemPrompt() const;
    void setSystemPrompt(const QString &prompt);
    // The stored text, and the ids it lists.
    QString activePromptSuggestions() const;
    QStringList activePromptSuggestionIds() const;
    void setActivePromptSuggestions(const QString &ids);
    QString lmStudioServerAddress() const;
    void setLmStudioServerAddress(const QString &address);
    // The stored text, and how it is meant.
    QString webSearchMode() const;
    WebSearchMode webSearchModeChoice() const;
    void setWebSearchMode(const QString &mode);
    void setWebSearchMode(WebSearchMode mode);
    // Trimmed of whitespace and newlines, as every reader uses them.
    QString searxngHost() const;
    void setSearxngHost(const QString &host);
    QString searxngPort() const;
    void setSearxngPort(const QString &port);
    bool searxngUseHTTPS() const;
    void setSearxngUseHTTPS(bool useHttps);
    // The address of the SearXNG instance the three settings above name (see
    // SearxngConfig::baseURL); the one place where they become an address.
    QString searxngBaseURL() const;
    // The stored text, and how it is meant.
    QString appTheme() const;
    AppTheme theme() const;
    void setAppTheme(const QString &theme);
    bool quickAskFollowsSystemTheme() const;
    void setQuickAskFollowsSystemTheme(bool follows);
    // Whether the main window shows a thinking model's thought above its answers; the
    // thought is stored either way.
    bool showThinking() const;
    void setShowThinking(bool show);
    // The model id to answer with; empty: the automatic choice.
    QString preferredModel() const;
    void setPreferredModel(const QString &id);
    // Within the range the servers accept (SettingsKeys::minTemperature…maxTemperature).
    double temperature() const;
    void setTemperature(double temperature);
    // The longest answer in tokens; none when not limited.
    std::optional<int> maxTokens() const;
    // How many characters of attached documents go into one question.
    qsizetype attachmentTextLimit() const;
    void setAttachmentTextLimit(qsizetype characters);
    void setMaxTokens(std::optional<int> tokens);

    // Emits changed(key) for a preference another process wrote to the file, so that the
    // windows follow it as they follow a write made here (see SettingsFileWatcher).
    void announceExternalChange(const QString &key);

Q_SIGNALS:
    // After every write or removal made through this object, whether or not the value
    // actually changed.
    void changed(const QString &key);

private:
    // Changes the preferences file through `edit`, safely (see the definition); false when
    // the file is left as it was.
    bool editPreferences(const std::function<void(QSettings &)> &edit);
    QString stringValue(QStringView key) const;
    bool boolValue(QStringView key) const;

    std::unique_ptr<QSettings> m_settings;
    QString m_dataDirectory;
};
