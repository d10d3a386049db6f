#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSettings;

// The flow's half-typed answers and its stage, kept with the window rather than with the
// preferences: a small INI file of their own in the state location
// ($XDG_STATE_HOME/velm/onboarding.ini), so a relaunch comes back where the user left off
// while the preferences are written only when the user confirms something.
class OnboardingDrafts : public QObject
{
    Q_OBJECT

public:
    // The user's file.
    explicit OnboardingDrafts(QObject *parent = nullptr);
    // A file of the caller's, for tests.
    explicit OnboardingDrafts(const QString &file, QObject *parent = nullptr);
    ~OnboardingDrafts() override;

    static QString defaultFilePath();
    QString fileName() const;

    int stageRaw() const;
    void setStageRaw(int stage);
    QString name() const;
    void setName(const QString &name);
    QString provider() const;
    void setProvider(const QString &provider);
    QString llmAddress() const;
    void setLlmAddress(const QString &address);
    QString llmStatus() const;
    void setLlmStatus(const QString &status);
    // -1 no test yet, 1 success, anything else failure.
    int llmOKRaw() const;
    void setLlmOKRaw(int ok);
    QString searxng() const;
    void setSearxng(const QString &address);
    QString searchStatus() const;
    void setSearchStatus(const QString &status);
    int searchOKRaw() const;
    void setSearchOKRaw(int ok);

    // Every key back to its initial value.
    void resetAll();

Q_SIGNALS:
    void changed();

private:
    QString text(QStringView key) const;
    int integer(QStringView key) const;
    void write(QStringView key, const QVariant &value);

    std::unique_ptr<QSettings> m_file;
};
