#include "llm/modelserverreply.h"

#include <QNetworkReply>

using namespace Qt::StringLiterals;

namespace ModelServerReply {

std::optional<LocalLLMError> statusError(const QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return std::nullopt;
    const int code = status.toInt();
    if (code >= 200 && code <= 299)
        return std::nullopt;
    const QByteArray location = reply->rawHeader("Location").trimmed();
    if (code >= 300 && code <= 399 && !location.isEmpty())
        return LocalLLMError::redirect(reply->url(),
                                       QUrl::fromEncoded(location, QUrl::TolerantMode));
    // The error body is not read: servers word it in many ways.
    return LocalLLMError(LocalLLMError::Kind::badResponse, u"HTTP "_s + QString::number(code));
}

QByteArray mediaType(const QNetworkReply *reply)
{
    const QByteArray value = reply->rawHeader("Content-Type");
    const qsizetype semicolon = value.indexOf(';');
    return (semicolon == -1 ? value : value.left(semicolon)).trimmed().toLower();
}

bool isWebPage(const QByteArray &mediaType)
{
    return mediaType == "text/html" || mediaType == "application/xhtml+xml";
}

} // namespace ModelServerReply
