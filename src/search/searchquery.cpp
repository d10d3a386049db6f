#include "search/searchquery.h"

#include <QStringList>

namespace WebSearch {

QUrl withQueryItems(QUrl url, const QList<std::pair<QString, QString>> &items)
{
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"http" && scheme != u"https"))
        return {};
    QStringList pairs;
    pairs.reserve(items.size());
    for (const auto &[key, value] : items) {
        pairs.append(QString::fromLatin1(QUrl::toPercentEncoding(key)) + u'='
                     + QString::fromLatin1(QUrl::toPercentEncoding(value)));
    }
    url.setQuery(pairs.join(u'&'), QUrl::StrictMode);
    url.setFragment(QString());
    return url.isValid() ? url : QUrl();
}

} // namespace WebSearch
