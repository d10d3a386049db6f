#pragma once

#include "search/searchresult.h"

#include <QList>
#include <QStringList>
#include <QStringView>

namespace WebSearch {

// Lower-case phrases with which a model admits it found nothing; such an answer shows no
// sources, whatever it mentions.
const QStringList &refusalPhrases();

// Lower-case words too common to say that an answer and a hit talk about the same thing.
const QStringList &stopWords();

// The words of an already lower-cased text that carry meaning: maximal runs of Unicode
// letters and numbers, of four or more user-perceived characters, that are not stop words.
// In text order, duplicates kept.
QStringList significantWords(QStringView lowerText);

// The hits worth showing under a finished answer, in the order given: a hit stays when the
// answer names its site or shares at least two significant words with its title and
// snippet. Short answers (40 user-perceived characters or fewer) and refusals show none.
QList<SearchResult> relevantSources(QStringView answer, const QList<SearchResult> &results);

} // namespace WebSearch
