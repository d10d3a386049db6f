#include "chat/promptsuggestion.h"

#include "chat/settingskeys.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

const QList<PromptSuggestion> &PromptSuggestion::all()
{
    // The labels stay English in the table, made once, and are translated where they are shown
    // (SuggestionChip); the instructions go to the model as they are.
    static const QList<PromptSuggestion> table{
        {u"no_em_dash"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "No em dashes")),
         u"Never use em dashes (\u2014) under any circumstances. This is a strict, non-negotiable "
         u"rule with zero exceptions. Replace every em dash with a comma, semicolon, colon, or "
         u"parentheses, or restructure the sentence entirely."_s},
        {u"no_emoji"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "No emojis")),
         u"Do not use emojis in your responses."_s},
        {u"be_concise"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "Be concise")),
         u"Keep responses short and to the point. Avoid filler phrases and unnecessary padding."_s},
        {u"plain_lang"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "Plain language")),
         u"Use plain, simple language. Avoid jargon, buzzwords, and overly formal phrasing."_s},
        {u"no_bullets"_s,
         QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "No bullet points")),
         u"Avoid bullet points and numbered lists unless explicitly requested."_s},
        {u"no_boldtext"_s, QString::fromUtf8(QT_TRANSLATE_NOOP("PromptSuggestion", "No bold text")),
         u"Do not use bold or italic markdown formatting in your responses."_s},
    };
    return table;
}

QString PromptSuggestion::toggled(const QString &activeSuggestionIds, const QString &id)
{
    QStringList ids = SettingsKeys::promptSuggestionIdsFrom(activeSuggestionIds);
    ids.removeDuplicates();
    // An id that cannot survive the round trip through the comma-joined text is not toggled.
    if (id.isEmpty() || id.contains(u','))
        return ids.join(u',');
    if (ids.contains(id))
        ids.removeAll(id);
    else
        ids.append(id);
    return ids.join(u',');
}
