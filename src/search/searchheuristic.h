#pragma once

#include "search/searchmode.h"

#include <QStringList>
#include <QStringView>

namespace WebSearch {

// Lower-case openings of questions whose answer usually lives on the web ("who is", …).
const QStringList &questionOpenings();

// Lower-case words that hint at facts that change over time ("latest", "price", …).
const QStringList &freshnessTerms();

// Whether a message should be looked up before it goes to the model: mode Always searches,
// Auto asks the keyword heuristic, Never does not.
bool shouldSearch(WebSearchMode mode, QStringView query);
// The same for the stored text of the mode: "always", "auto", and anything else for never.
bool shouldSearch(QStringView mode, QStringView query);

// The keyword heuristic of mode "auto". The tests are deliberately crude substring tests, so
// "know" counts as "now" and "software" as "war": a search too many costs little, a search
// too few leaves the model guessing.
bool looksLikeWebQuestion(QStringView query);

} // namespace WebSearch
