#include "search/searxngconfig.h"

namespace {

bool hasExplicitPort(QStringView authority)
{
    const qsizetype colon = authority.lastIndexOf(u':');
    if (colon == -1 || colon + 1 == authority.size())
        return false;
    // In "[::1]:8080" the port follows the bracket; a bare "::1" has no port at all.
    const QStringView before = authority.left(colon);
    if (before.contains(u':') && !before.endsWith(u']'))
        return false;
    for (QChar c : authority.mid(colon + 1)) {
        if (!c.isDigit())
            return false;
    }
    return true;
}

bool isBareIPv6(QStringView authority)
{
    return authority.count(u':') >= 2 && !authority.startsWith(u'[');
}

} // namespace

QString SearxngConfig::baseURL() const
{
    const QString trimmedHost = host.trimmed();
    const QString trimmedPort = port.trimmed();

    QString scheme = useHTTPS ? QStringLiteral("https") : QStringLiteral("http");
    QStringView rest = trimmedHost;
    const qsizetype separator = rest.indexOf(QLatin1String("://"), 0, Qt::CaseInsensitive);
    if (separator > 0) {
        scheme = rest.left(separator).toString();
        rest = rest.mid(separator + 3);
    }

    qsizetype authorityEnd = rest.size();
    for (QChar delimiter : {u'/', u'?', u'#'}) {
        const qsizetype at = rest.indexOf(delimiter);
        if (at != -1)
            authorityEnd = qMin(authorityEnd, at);
    }
    QString authority = rest.left(authorityEnd).toString();
    const QStringView tail = rest.mid(authorityEnd);

    if (isBareIPv6(authority))
        authority = u'[' + authority + u']';
    if (!trimmedPort.isEmpty() && !hasExplicitPort(authority)) {
        if (authority.endsWith(u':'))
            authority.chop(1);
        authority += u':' + trimmedPort;
    }
    return scheme + QLatin1String("://") + authority + tail.toString();
}
