#include "llm/serveraddress.h"

using namespace Qt::StringLiterals;

QString normalizeServerAddress(const QString &address)
{
    QString text = address.trimmed();
    if (!text.contains(u"://"_s, Qt::CaseInsensitive))
        text.prepend(u"http://"_s);
    if (text.endsWith(u'/'))
        text.chop(1);
    if (!text.endsWith(u"/v1"_s))
        text.append(u"/v1"_s);
    return text;
}

QUrl endpointURL(const QUrl &base, const QString &relativePath)
{
    QUrl url = base;
    QString path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/'))
        path.append(u'/');
    path.append(relativePath);
    url.setPath(path, QUrl::TolerantMode);
    return url;
}
