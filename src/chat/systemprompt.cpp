#include "chat/systemprompt.h"

#include "chat/promptsuggestion.h"
#include "chat/settingskeys.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

enum class SearchLead { MainWindow, QuickAsk };

std::optional<QString> searchMessage(SearchLead lead, const QString &formattedResults)
{
    if (formattedResults.isEmpty())
        return std::nullopt;
    QString text = u"The following are live web search results retrieved for the user's query. "
                   u"Base your answer primarily on these results. Be accurate and specific \u2014 "
                   u"do not guess or use knowledge that contradicts the results below."_s;
    if (lead == SearchLead::MainWindow)
        text += u" If the results do not contain enough information, say so."_s;
    text += u"\n\nSEARCH RESULTS:\n"_s;
    text += formattedResults;
    return text;
}

} // namespace

QString buildSystemPrompt(const QString &customInstructions, const QString &userName,
                          const QString &activeSuggestionIds)
{
    QStringList lines;

    // Instructions may span several lines; only the outer whitespace goes.
    const QString instructions = customInstructions.trimmed();
    lines.append(instructions.isEmpty() ? u"You are a concise, helpful local assistant."_s
                                        : instructions);

    const QString name = userName.trimmed();
    if (!name.isEmpty())
        lines.append(u"The user's name is "_s + name
                     + u". Address them by name when appropriate."_s);

    // The table decides the order, so the same styles give the same prompt however the
    // setting happens to list them.
    const QStringList active = SettingsKeys::promptSuggestionIdsFrom(activeSuggestionIds);
    for (const PromptSuggestion &suggestion : PromptSuggestion::all()) {
        if (active.contains(suggestion.id))
            lines.append(suggestion.instruction);
    }

    return lines.join(u'\n');
}

QString quickAskSystemPrompt(const QString &storedSystemPrompt, const QString &userName,
                             const QString &activeSuggestionIds)
{
    const QString base = storedSystemPrompt.isEmpty()
        ? u"You are a concise local assistant inside a small macOS quick-ask bar."_s
        : storedSystemPrompt;
    return buildSystemPrompt(base, userName, activeSuggestionIds)
        + u"\nAlways give the most concise answer possible \u2014 ideally one sentence or a very "
          u"short paragraph."_s;
}

std::optional<QString> searchContextMessage(const QString &formattedResults)
{
    return searchMessage(SearchLead::MainWindow, formattedResults);
}

std::optional<QString> quickAskSearchContext(const QString &formattedResults)
{
    return searchMessage(SearchLead::QuickAsk, formattedResults);
}
