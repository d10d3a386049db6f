#pragma once

#include <QString>

#include <array>
#include <optional>

// The model servers the flow offers as a starting point; Manual leaves the address to the
// user.
enum class LLMProvider { Ollama, LmStudio, Manual };
inline constexpr std::array<LLMProvider, 3> allLLMProviders{
    LLMProvider::Ollama, LLMProvider::LmStudio, LLMProvider::Manual};

// "ollama", "lmStudio", "manual": what the drafts store.
QString llmProviderRaw(LLMProvider provider);
std::optional<LLMProvider> llmProviderFromRaw(const QString &raw);
// "Ollama", "LM Studio", "Manual".
QString llmProviderLabel(LLMProvider provider);
// The address the provider's server listens on out of the box; empty for Manual.
QString llmProviderDefaultAddress(LLMProvider provider);
