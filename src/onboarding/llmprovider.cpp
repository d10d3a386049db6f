#include "onboarding/llmprovider.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

QString llmProviderRaw(LLMProvider provider)
{
    switch (provider) {
    case LLMProvider::Ollama:
        return u"ollama"_s;
    case LLMProvider::LmStudio:
        return u"lmStudio"_s;
    case LLMProvider::Manual:
        return u"manual"_s;
    }
    return QString();
}

std::optional<LLMProvider> llmProviderFromRaw(const QString &raw)
{
    for (const LLMProvider provider : allLLMProviders) {
        if (llmProviderRaw(provider) == raw)
            return provider;
    }
    return std::nullopt;
}

QString llmProviderLabel(LLMProvider provider)
{
    switch (provider) {
    case LLMProvider::Ollama:
        return u"Ollama"_s;
    case LLMProvider::LmStudio:
        return u"LM Studio"_s;
    case LLMProvider::Manual:
        return QCoreApplication::translate("LLMProvider", "Manual");
    }
    return QString();
}

QString llmProviderDefaultAddress(LLMProvider provider)
{
    switch (provider) {
    case LLMProvider::Ollama:
        return u"http://127.0.0.1:11434"_s;
    case LLMProvider::LmStudio:
        return u"http://127.0.0.1:1234"_s;
    case LLMProvider::Manual:
        break;
    }
    return QString();
}
