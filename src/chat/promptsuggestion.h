#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One of the fixed style instructions the user can switch on in the settings window. The
// active ones are stored in one setting as their ids joined by commas.
struct PromptSuggestion
{
    QString id; // stable key stored in the setting
    QString label; // text of the chip in the settings window
    QString instruction; // line added to the system prompt

    // The whole table, in the order in which instructions enter the system prompt.
    static const QList<PromptSuggestion> &all();

    // The stored value with `id` switched off when it is active and on when it is not; each
    // id listed once afterwards. Unknown ids are kept: the settings window must not silently
    // lose what it did not write.
    static QString toggled(const QString &activeSuggestionIds, const QString &id);

    friend bool operator==(const PromptSuggestion &, const PromptSuggestion &) = default;
};
