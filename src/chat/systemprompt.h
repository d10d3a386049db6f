#pragma once

#include <QString>

#include <optional>

// The system messages that open every request to the model. The values of the settings
// "systemPrompt", "userName" and "activePromptSuggestions" come in as plain text, so that
// this stays free of the settings store and can be called with whatever a window has read.

// The main window's system prompt: the custom instructions (or a default sentence when they
// are blank), a line with the user's name when there is one, then the instruction of every
// active style suggestion in table order, joined by single line feeds.
QString buildSystemPrompt(const QString &customInstructions, const QString &userName,
                          const QString &activeSuggestionIds);

// The Quick Ask bar's system prompt: the same assembly with its own base text in place of the
// stored instructions when those are empty, followed by a rule that asks for the shortest answer.
// Only a truly empty `storedSystemPrompt` selects the bar's base text; one made of spaces goes
// through `buildSystemPrompt`, which then falls back to the main window's default sentence.
QString quickAskSystemPrompt(const QString &storedSystemPrompt, const QString &userName,
                             const QString &activeSuggestionIds);

// The second system message of the main window, carrying web results: a fixed lead followed by
// `formattedResults` (the numbered result block of the web-search code). No message at all
// when there is no result text.
std::optional<QString> searchContextMessage(const QString &formattedResults);

// The Quick Ask bar's variant of the same message; its lead lacks the main window's closing
// sentence about results that are not enough.
std::optional<QString> quickAskSearchContext(const QString &formattedResults);
