#include "llm/serveraddress.h"

#include <QCoreApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// An address without a scheme is meant for http.
QString withScheme(const QString &trimmed)
{
    if (trimmed.contains(u"://"_s, Qt::CaseInsensitive))
        return trimmed;
    return u"http://"_s + trimmed;
}

bool isLineBreak(QChar c)
{
    return c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == QChar(0x85)
        || c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

bool isPort(QStringView text)
{
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= 1 && number <= 65535;
}

} // namespace

QString normalizeServerAddress(const QString &address)
{
    QString text = withScheme(address.trimmed());
    if (text.endsWith(u'/'))
        text.chop(1);
    if (!text.endsWith(u"/v1"_s))
        text.append(u"/v1"_s);
    return text;
}

std::optional<QString> serverAddressProblem(const QString &address)
{
    const QString trimmed = address.trimmed();
    if (trimmed.isEmpty())
        return QCoreApplication::translate("ServerAddress", "the address is empty");
    if (std::any_of(trimmed.begin(), trimmed.end(), isLineBreak))
        return QCoreApplication::translate("ServerAddress", "the address contains a line break");
    if (std::any_of(trimmed.begin(), trimmed.end(), [](QChar c) { return c.isSpace(); }))
        return QCoreApplication::translate("ServerAddress", "the address contains a space");

    const QString text = withScheme(trimmed);
    const qsizetype schemeEnd = text.indexOf(u"://"_s);
    const QStringView scheme = QStringView(text).left(schemeEnd);
    if (scheme.compare(u"http"_s, Qt::CaseInsensitive) != 0
        && scheme.compare(u"https"_s, Qt::CaseInsensitive) != 0)
        return QCoreApplication::translate("ServerAddress",
                                           "the address must start with http:// or https://");

    // QUrl only says that an address is invalid, not why; the host and the port are what
    // people get wrong, so they are looked at here first.
    QStringView authority = QStringView(text).sliced(schemeEnd + 3);
    for (qsizetype i = 0; i < authority.size(); ++i) {
        if (authority[i] == u'/' || authority[i] == u'?' || authority[i] == u'#') {
            authority.truncate(i);
            break;
        }
    }
    authority = authority.sliced(authority.lastIndexOf(u'@') + 1);
    qsizetype hostEnd = authority.lastIndexOf(u':');
    if (authority.startsWith(u'[')) {
        const qsizetype close = authority.indexOf(u']');
        hostEnd = close == -1 ? -1 : close + 1;
    }
    if (hostEnd == -1)
        hostEnd = authority.size();
    if (hostEnd == 0)
        return QCoreApplication::translate("ServerAddress", "the address has no host");
    // An empty port ("host:") is no port, as in any URL.
    const QStringView port = authority.sliced(hostEnd);
    if (port.startsWith(u':') && port.size() > 1 && !isPort(port.sliced(1)))
        return QCoreApplication::translate("ServerAddress",
                                           "the port must be a number from 1 to 65535");

    const QUrl url(normalizeServerAddress(trimmed), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return QCoreApplication::translate("ServerAddress", "the address is not a valid URL");
    return std::nullopt;
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
