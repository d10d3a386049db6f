#include "search/searchheuristic.h"

#include "base/textutil.h"
#include "search/searchmode.h"

namespace WebSearch {

const QStringList &questionOpenings()
{
    static const QStringList openings = {
        QStringLiteral("who is"),        QStringLiteral("who are"),
        QStringLiteral("who was"),       QStringLiteral("who were"),
        QStringLiteral("what is"),       QStringLiteral("what are"),
        QStringLiteral("what was"),      QStringLiteral("what were"),
        QStringLiteral("where is"),      QStringLiteral("where are"),
        QStringLiteral("where was"),     QStringLiteral("when is"),
        QStringLiteral("when was"),      QStringLiteral("when did"),
        QStringLiteral("when does"),     QStringLiteral("how many"),
        QStringLiteral("how much"),      QStringLiteral("how old"),
        QStringLiteral("which country"), QStringLiteral("which city"),
        QStringLiteral("which team"),    QStringLiteral("tell me about"),
        QStringLiteral("what happened"),
    };
    return openings;
}

const QStringList &freshnessTerms()
{
    static const QStringList terms = {
        QStringLiteral("current"),    QStringLiteral("latest"),
        QStringLiteral("recent"),     QStringLiteral("today"),
        QStringLiteral("now"),        QStringLiteral("right now"),
        QStringLiteral("this year"),  QStringLiteral("2024"),
        QStringLiteral("2025"),       QStringLiteral("2026"),
        QStringLiteral("news"),       QStringLiteral("update"),
        QStringLiteral("score"),      QStringLiteral("result"),
        QStringLiteral("price"),      QStringLiteral("cost"),
        QStringLiteral("weather"),    QStringLiteral("forecast"),
        QStringLiteral("stock"),      QStringLiteral("rate"),
        QStringLiteral("population"), QStringLiteral("prime minister"),
        QStringLiteral("president"),  QStringLiteral("ceo"),
        QStringLiteral("chancellor"), QStringLiteral("government"),
        QStringLiteral("election"),   QStringLiteral("war"),
        QStringLiteral("conflict"),   QStringLiteral("released"),
        QStringLiteral("announced"),  QStringLiteral("launched"),
    };
    return terms;
}

bool shouldSearch(WebSearchMode mode, QStringView query)
{
    switch (mode) {
    case WebSearchMode::Always:
        return true;
    case WebSearchMode::Auto:
        return looksLikeWebQuestion(query);
    case WebSearchMode::Never:
        return false;
    }
    return false;
}

bool shouldSearch(QStringView mode, QStringView query)
{
    return shouldSearch(WebSearch::modeFrom(mode.toString()), query);
}

bool looksLikeWebQuestion(QStringView query)
{
    // No trimming: a message that starts with a blank is not read as a question opening.
    const QString lower = query.toString().toLower();
    for (const QString &opening : questionOpenings()) {
        if (TextUtil::startsWithGraphemes(lower, opening))
            return true;
    }
    for (const QString &term : freshnessTerms()) {
        if (lower.contains(term))
            return true;
    }
    return false;
}

} // namespace WebSearch
