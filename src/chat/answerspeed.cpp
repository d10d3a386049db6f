#include "chat/answerspeed.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace AnswerSpeed {

AnswerStats measure(const StreamUsage &usage, int pieces, double firstPieceSeconds,
                    double endSeconds)
{
    AnswerStats stats;
    const int counted = usage.tokens();
    stats.tokens = counted >= 0 ? counted : pieces;
    stats.approximate = counted < 0;
    stats.firstTokenSeconds = firstPieceSeconds;
    const double generating = endSeconds - firstPieceSeconds;
    if (usage.tokensPerSecond > 0)
        stats.tokensPerSecond = usage.tokensPerSecond;
    else if (generating > 0 && stats.tokens > 0)
        stats.tokensPerSecond = stats.tokens / generating;
    return stats;
}

QString shortModelName(const QString &id)
{
    const QString trimmed = id.trimmed();
    const qsizetype slash = trimmed.lastIndexOf(u'/');
    // "org/" names nothing after the slash: the whole id says more than an empty label.
    if (slash < 0 || slash == trimmed.size() - 1)
        return trimmed;
    return trimmed.sliced(slash + 1);
}

QString caption(const QString &model, const std::optional<AnswerStats> &stats)
{
    QStringList parts;
    if (!model.trimmed().isEmpty())
        parts.append(shortModelName(model));
    if (stats) {
        QString tokens = stats->tokens == 1
            ? QCoreApplication::translate("AnswerSpeed", "1 token")
            : QCoreApplication::translate("AnswerSpeed", "%n tokens", nullptr, int(stats->tokens));
        if (stats->approximate)
            tokens.prepend(u"\u2248 "_s);
        parts.append(tokens);
        if (stats->tokensPerSecond)
            //: %1 is the answer's speed in tokens a second, as "42.0"
            parts.append(QCoreApplication::translate("AnswerSpeed", "%1 tok/s")
                             .arg(QString::number(*stats->tokensPerSecond, 'f', 1)));
        if (stats->firstTokenSeconds)
            parts.append(QCoreApplication::translate("AnswerSpeed", "%1 s to first token")
                             .arg(QString::number(*stats->firstTokenSeconds, 'f', 1)));
    }
    return parts.join(u" \u00b7 "_s);
}

} // namespace AnswerSpeed
