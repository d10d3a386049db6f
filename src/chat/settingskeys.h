#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <array>
#include <optional>

// The one table of stored preferences: names, types and defaults, and the reading rules
// that every window shares so that they agree on what a stored value means.
namespace SettingsKeys {

enum class KeyType { Bool, String, Integer, Number };

struct KeySpec
{
    QStringView name;
    KeyType type;
    // The default as text: "true"/"false" for Bool, decimal for Integer and Number.
    QStringView defaultValue;
};

inline constexpr QStringView hasCompletedOnboarding = u"hasCompletedOnboarding";
inline constexpr QStringView userName = u"userName";
inline constexpr QStringView systemPrompt = u"systemPrompt";
inline constexpr QStringView activePromptSuggestions = u"activePromptSuggestions";
inline constexpr QStringView lmStudioServerAddress = u"lmStudioServerAddress";
inline constexpr QStringView webSearchMode = u"webSearchMode";
inline constexpr QStringView searxngHost = u"searxngHost";
inline constexpr QStringView searxngPort = u"searxngPort";
inline constexpr QStringView searxngUseHTTPS = u"searxngUseHTTPS";
inline constexpr QStringView appTheme = u"appTheme";
inline constexpr QStringView quickAskFollowsSystemTheme = u"quickAskFollowsSystemTheme";
inline constexpr QStringView showThinking = u"showThinking";
// The model to answer with when the server lists it; empty: the automatic choice.
inline constexpr QStringView preferredModel = u"preferredModel";
inline constexpr QStringView temperature = u"temperature";
// The longest answer in tokens; 0: no limit but the server's own.
inline constexpr QStringView maxTokens = u"maxTokens";
// How many characters of attached documents one question carries at most.
inline constexpr QStringView attachmentTextLimit = u"attachmentTextLimit";

inline constexpr std::array<KeySpec, 16> preferences{{
    {hasCompletedOnboarding, KeyType::Bool, u"false"},
    {userName, KeyType::String, u""},
    {systemPrompt, KeyType::String, u""},
    {activePromptSuggestions, KeyType::String, u""},
    {lmStudioServerAddress, KeyType::String, u"http://127.0.0.1:1234"},
    {webSearchMode, KeyType::String, u"auto"},
    {searxngHost, KeyType::String, u"localhost"},
    {searxngPort, KeyType::String, u"8080"},
    {searxngUseHTTPS, KeyType::Bool, u"false"},
    {appTheme, KeyType::String, u"dark"},
    {quickAskFollowsSystemTheme, KeyType::Bool, u"true"},
    {showThinking, KeyType::Bool, u"true"},
    {preferredModel, KeyType::String, u""},
    {temperature, KeyType::Number, u"0.7"},
    {maxTokens, KeyType::Integer, u"0"},
    {attachmentTextLimit, KeyType::Integer, u"100000"},
}};

// The temperatures the servers accept.
inline constexpr double minTemperature = 0.0;
inline constexpr double maxTemperature = 2.0;

// Raw bytes rather than values: the stored chat list and its older single-chat form.
inline constexpr QStringView chatSessions = u"chatSessions";
inline constexpr QStringView mainChatMessages = u"mainChatMessages";
inline constexpr std::array<QStringView, 2> dataKeys{{chatSessions, mainChatMessages}};

// Unfinished onboarding input, kept with the onboarding window rather than with the
// preferences.
inline constexpr QStringView draftStage = u"velm.ob.stage";
inline constexpr QStringView draftName = u"velm.ob.name";
inline constexpr QStringView draftProvider = u"velm.ob.provider";
inline constexpr QStringView draftLlmAddress = u"velm.ob.llmAddr";
inline constexpr QStringView draftLlmStatus = u"velm.ob.llmStatus";
inline constexpr QStringView draftLlmOkRaw = u"velm.ob.llmOKRaw";
inline constexpr QStringView draftSearxng = u"velm.ob.searxng";
inline constexpr QStringView draftSearchStatus = u"velm.ob.srStatus";
inline constexpr QStringView draftSearchOkRaw = u"velm.ob.srOKRaw";

inline constexpr std::array<KeySpec, 9> onboardingDrafts{{
    {draftStage, KeyType::Integer, u"0"},
    {draftName, KeyType::String, u""},
    {draftProvider, KeyType::String, u""},
    {draftLlmAddress, KeyType::String, u""},
    {draftLlmStatus, KeyType::String, u""},
    {draftLlmOkRaw, KeyType::Integer, u"-1"},
    {draftSearxng, KeyType::String, u""},
    {draftSearchStatus, KeyType::String, u""},
    {draftSearchOkRaw, KeyType::Integer, u"-1"},
}};

// Left behind by earlier onboarding versions; nothing reads them, a reset removes them.
inline constexpr std::array<QStringView, 9> legacyOnboardingKeys{{
    u"velm.onboarding.stage",
    u"velm.onboarding.nameDraft",
    u"velm.onboarding.llmProvider",
    u"velm.onboarding.llmAddressDraft",
    u"velm.onboarding.llmStatus",
    u"velm.onboarding.llmOK",
    u"velm.onboarding.searxngDraft",
    u"velm.onboarding.searchStatus",
    u"velm.onboarding.searchOK",
}};

// Everything a reset of all data removes, in the order it removes them.
inline constexpr std::array<QStringView, 26> resetKeys{{
    hasCompletedOnboarding,
    userName,
    systemPrompt,
    activePromptSuggestions,
    lmStudioServerAddress,
    webSearchMode,
    searxngHost,
    searxngPort,
    searxngUseHTTPS,
    appTheme,
    quickAskFollowsSystemTheme,
    preferredModel,
    temperature,
    maxTokens,
    attachmentTextLimit,
    chatSessions,
    mainChatMessages,
    legacyOnboardingKeys[0],
    legacyOnboardingKeys[1],
    legacyOnboardingKeys[2],
    legacyOnboardingKeys[3],
    legacyOnboardingKeys[4],
    legacyOnboardingKeys[5],
    legacyOnboardingKeys[6],
    legacyOnboardingKeys[7],
    legacyOnboardingKeys[8],
}};

// The preference or onboarding draft called `name`, or nullptr.
const KeySpec *preference(QStringView name);
const KeySpec *onboardingDraft(QStringView name);
bool isDataKey(QStringView name);
bool isLegacyOnboardingKey(QStringView name);

QVariant defaultValue(const KeySpec &entry);

// `value` as the type of a key: a bool, a QString, an int or a finite double. Bools are also read
// from "true"/"false"/"1"/"0" (how text files and the command line write them), a text list (how a
// hand-edited "a,b" comes back from an INI file) is joined with commas again. Nothing when the
// value cannot be read as that type.
std::optional<QVariant> coerce(KeyType type, const QVariant &value);

// The ids in "activePromptSuggestions": split at commas, empty pieces dropped, the rest
// kept exactly as written.
QStringList promptSuggestionIdsFrom(const QString &text);

} // namespace SettingsKeys
