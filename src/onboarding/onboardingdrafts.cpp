#include "onboarding/onboardingdrafts.h"

#include "chat/settingskeys.h"

#include <QDir>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

QVariant initialValue(QStringView key)
{
    const SettingsKeys::KeySpec *entry = SettingsKeys::onboardingDraft(key);
    if (!entry)
        return {};
    if (entry->type == SettingsKeys::KeyType::Integer)
        return entry->defaultValue.toInt();
    return entry->defaultValue.toString();
}

} // namespace

OnboardingDrafts::OnboardingDrafts(QObject *parent)
    : OnboardingDrafts(defaultFilePath(), parent)
{ }

OnboardingDrafts::OnboardingDrafts(const QString &file, QObject *parent)
    : QObject(parent)
    , m_file(std::make_unique<QSettings>(file, QSettings::IniFormat))
{ }

OnboardingDrafts::~OnboardingDrafts() = default;

QString OnboardingDrafts::defaultFilePath()
{
    // Qt 6.4 has no state location of its own; this is the XDG rule.
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + u"/.local/state"_s;
    return base + u"/velm/onboarding.ini"_s;
}

QString OnboardingDrafts::fileName() const
{
    return m_file->fileName();
}

int OnboardingDrafts::stageRaw() const
{
    return integer(SettingsKeys::draftStage);
}

void OnboardingDrafts::setStageRaw(int stage)
{
    write(SettingsKeys::draftStage, stage);
}

QString OnboardingDrafts::name() const
{
    return text(SettingsKeys::draftName);
}

void OnboardingDrafts::setName(const QString &name)
{
    write(SettingsKeys::draftName, name);
}

QString OnboardingDrafts::provider() const
{
    return text(SettingsKeys::draftProvider);
}

void OnboardingDrafts::setProvider(const QString &provider)
{
    write(SettingsKeys::draftProvider, provider);
}

QString OnboardingDrafts::llmAddress() const
{
    return text(SettingsKeys::draftLlmAddress);
}

void OnboardingDrafts::setLlmAddress(const QString &address)
{
    write(SettingsKeys::draftLlmAddress, address);
}

QString OnboardingDrafts::llmStatus() const
{
    return text(SettingsKeys::draftLlmStatus);
}

void OnboardingDrafts::setLlmStatus(const QString &status)
{
    write(SettingsKeys::draftLlmStatus, status);
}

int OnboardingDrafts::llmOKRaw() const
{
    return integer(SettingsKeys::draftLlmOkRaw);
}

void OnboardingDrafts::setLlmOKRaw(int ok)
{
    write(SettingsKeys::draftLlmOkRaw, ok);
}

QString OnboardingDrafts::searxng() const
{
    return text(SettingsKeys::draftSearxng);
}

void OnboardingDrafts::setSearxng(const QString &address)
{
    write(SettingsKeys::draftSearxng, address);
}

QString OnboardingDrafts::searchStatus() const
{
    return text(SettingsKeys::draftSearchStatus);
}

void OnboardingDrafts::setSearchStatus(const QString &status)
{
    write(SettingsKeys::draftSearchStatus, status);
}

int OnboardingDrafts::searchOKRaw() const
{
    return integer(SettingsKeys::draftSearchOkRaw);
}

void OnboardingDrafts::setSearchOKRaw(int ok)
{
    write(SettingsKeys::draftSearchOkRaw, ok);
}

void OnboardingDrafts::resetAll()
{
    for (const SettingsKeys::KeySpec &entry : SettingsKeys::onboardingDrafts)
        m_file->setValue(entry.name.toString(), initialValue(entry.name));
    m_file->sync();
    Q_EMIT changed();
}

QString OnboardingDrafts::text(QStringView key) const
{
    return m_file->value(key.toString(), initialValue(key)).toString();
}

int OnboardingDrafts::integer(QStringView key) const
{
    bool ok = false;
    const int value = m_file->value(key.toString()).toInt(&ok);
    // A missing or unreadable number reads as the initial one.
    return ok ? value : initialValue(key).toInt();
}

void OnboardingDrafts::write(QStringView key, const QVariant &value)
{
    m_file->setValue(key.toString(), value);
    m_file->sync();
    Q_EMIT changed();
}
