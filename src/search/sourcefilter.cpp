#include "search/sourcefilter.h"

#include "base/textutil.h"

#include <QSet>
#include <QTextBoundaryFinder>
#include <QUrl>

namespace WebSearch {

namespace {

constexpr qsizetype shortAnswerLimit = 40;
constexpr qsizetype minimumWordLength = 4;
constexpr qsizetype minimumSiteNameLength = 4;
constexpr qsizetype minimumSharedWords = 2;

// A cluster counts as a letter or number by its first code point, so an accented letter
// written with a combining mark stays inside its word.
bool isWordCluster(QStringView cluster)
{
    if (cluster.isEmpty())
        return false;
    char32_t codePoint = cluster.at(0).unicode();
    if (cluster.size() > 1 && cluster.at(0).isHighSurrogate() && cluster.at(1).isLowSurrogate())
        codePoint = QChar::surrogateToUcs4(cluster.at(0), cluster.at(1));
    return QChar::isLetterOrNumber(codePoint);
}

QSet<QString> wordSet(QStringView lowerText)
{
    const QStringList words = significantWords(lowerText);
    return QSet<QString>(words.cbegin(), words.cend());
}

// "www.wikipedia.org" gives "wikipedia", "en.wikipedia.org" gives "en".
QString siteName(const QString &url)
{
    QString host = QUrl(url).host().toLower();
    host.remove(QStringLiteral("www."));
    return host.split(u'.', Qt::SkipEmptyParts).value(0);
}

} // namespace

const QStringList &refusalPhrases()
{
    static const QStringList phrases = {
        QStringLiteral("couldn't find"),  QStringLiteral("could not find"),
        QStringLiteral("no information"), QStringLiteral("no relevant"),
        QStringLiteral("don't have"),     QStringLiteral("do not have"),
        QStringLiteral("unable to find"), QStringLiteral("not able to find"),
        QStringLiteral("i'm not sure"),   QStringLiteral("i am not sure"),
        QStringLiteral("no results"),
    };
    return phrases;
}

const QStringList &stopWords()
{
    static const QStringList words = {
        QStringLiteral("the"),     QStringLiteral("and"),     QStringLiteral("for"),
        QStringLiteral("that"),    QStringLiteral("with"),    QStringLiteral("this"),
        QStringLiteral("from"),    QStringLiteral("have"),    QStringLiteral("has"),
        QStringLiteral("are"),     QStringLiteral("was"),     QStringLiteral("were"),
        QStringLiteral("what"),    QStringLiteral("when"),    QStringLiteral("where"),
        QStringLiteral("which"),   QStringLiteral("their"),   QStringLiteral("there"),
        QStringLiteral("about"),   QStringLiteral("into"),    QStringLiteral("your"),
        QStringLiteral("you"),     QStringLiteral("they"),    QStringLiteral("will"),
        QStringLiteral("would"),   QStringLiteral("could"),   QStringLiteral("should"),
        QStringLiteral("than"),    QStringLiteral("then"),    QStringLiteral("them"),
        QStringLiteral("these"),   QStringLiteral("those"),   QStringLiteral("also"),
        QStringLiteral("such"),    QStringLiteral("over"),    QStringLiteral("more"),
        QStringLiteral("most"),    QStringLiteral("some"),    QStringLiteral("other"),
        QStringLiteral("being"),   QStringLiteral("been"),    QStringLiteral("because"),
        QStringLiteral("while"),   QStringLiteral("after"),   QStringLiteral("before"),
        QStringLiteral("between"), QStringLiteral("however"),
    };
    return words;
}

QStringList significantWords(QStringView lowerText)
{
    static const QSet<QString> stop(stopWords().cbegin(), stopWords().cend());
    QStringList words;
    qsizetype runStart = -1;
    qsizetype runLength = 0;
    const auto endRun = [&](qsizetype end) {
        if (runStart >= 0 && runLength >= minimumWordLength) {
            QString word = lowerText.mid(runStart, end - runStart).toString();
            if (!stop.contains(word))
                words.append(std::move(word));
        }
        runStart = -1;
        runLength = 0;
    };

    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, lowerText.constData(),
                               lowerText.size());
    qsizetype start = 0;
    for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
        if (isWordCluster(lowerText.mid(start, end - start))) {
            if (runStart < 0)
                runStart = start;
            ++runLength;
        } else {
            endRun(start);
        }
        start = end;
    }
    endRun(lowerText.size());
    return words;
}

QList<SearchResult> relevantSources(QStringView answer, const QList<SearchResult> &results)
{
    if (results.isEmpty())
        return {};
    const QString lower = answer.toString().toLower();
    if (TextUtil::graphemeCount(lower) <= shortAnswerLimit)
        return {};
    // Models write "couldn’t" with a typographic apostrophe as often as with a plain one.
    QString plainApostrophes = lower;
    plainApostrophes.replace(u'\u2019', u'\'');
    for (const QString &phrase : refusalPhrases()) {
        if (plainApostrophes.contains(phrase))
            return {};
    }

    const QSet<QString> answerWords = wordSet(lower);
    QList<SearchResult> kept;
    for (const SearchResult &hit : results) {
        const QString site = siteName(hit.url);
        if (TextUtil::graphemeCount(site) >= minimumSiteNameLength && lower.contains(site)) {
            kept.append(hit);
            continue;
        }
        const QString hitText = (hit.title + u' ' + hit.snippet).toLower();
        if (wordSet(hitText).intersect(answerWords).size() >= minimumSharedWords)
            kept.append(hit);
    }
    return kept;
}

} // namespace WebSearch
