#include "llm/localllmerror.h"

using namespace Qt::StringLiterals;

LocalLLMError::LocalLLMError(Kind kind, QString detail)
    : m_kind(kind)
    , m_detail(std::move(detail))
{ }

LocalLLMError LocalLLMError::transportError(QString detail)
{
    return LocalLLMError(Kind::transport, std::move(detail));
}

LocalLLMError LocalLLMError::decodingError(QString detail)
{
    return LocalLLMError(Kind::decoding, std::move(detail));
}

LocalLLMError LocalLLMError::serverError(QString message)
{
    // A server that reports an error without saying what it is gets the generic text.
    if (message.trimmed().isEmpty())
        return LocalLLMError(Kind::badResponse, u"error reported in the stream"_s);
    return LocalLLMError(Kind::serverMessage, std::move(message));
}

LocalLLMError LocalLLMError::cancellation()
{
    return LocalLLMError(Kind::cancelled);
}

namespace {

// "http://127.0.0.1:1234" of "http://127.0.0.1:1234/v1/chat/completions": what the user typed
// as the server address, without the path velm adds.
QString originOf(const QUrl &url)
{
    return url
        .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery
                  | QUrl::RemoveFragment)
        .toString(QUrl::FullyEncoded);
}

} // namespace

LocalLLMError LocalLLMError::notModelServer(const QUrl &url, QString seen)
{
    LocalLLMError error(Kind::notModelServer, std::move(seen));
    error.m_server = originOf(url);
    return error;
}

LocalLLMError LocalLLMError::redirect(const QUrl &url, const QUrl &location)
{
    // Encoded, so that whatever the server put in its Location header reaches the user as a
    // plain address: no spaces, line breaks or control characters.
    LocalLLMError error(Kind::redirected, url.resolved(location).toString(QUrl::FullyEncoded));
    error.m_server = originOf(url);
    return error;
}

LocalLLMError LocalLLMError::lineTooLong(qsizetype limit)
{
    constexpr qsizetype kibibyte = 1024;
    constexpr qsizetype mebibyte = 1024 * kibibyte;
    QString size;
    if (limit % mebibyte == 0)
        size = QString::number(limit / mebibyte) + u" MiB"_s;
    else if (limit % kibibyte == 0)
        size = QString::number(limit / kibibyte) + u" KiB"_s;
    else
        size = QString::number(limit) + u" bytes"_s;
    return LocalLLMError(Kind::lineTooLong, size);
}

std::optional<QString> LocalLLMError::description() const
{
    switch (m_kind) {
    case Kind::invalidServerAddress:
        return u"Check server address"_s;
    case Kind::serverUnavailable:
        return u"Start LM Studio"_s;
    case Kind::modelUnavailable:
        return u"Load a model in LM Studio"_s;
    case Kind::badResponse:
        return u"LM Studio did not respond"_s;
    case Kind::emptyResponse:
        return u"No response"_s;
    case Kind::notModelServer:
        return u"The server at %1 did not answer like a model server"_s.arg(m_server);
    case Kind::redirected:
        return u"The server at %1 redirected to %2"_s.arg(m_server, m_detail);
    case Kind::lineTooLong:
        return u"The model server sent a line longer than %1"_s.arg(m_detail);
    case Kind::serverMessage:
        return m_detail;
    case Kind::transport:
    case Kind::decoding:
    case Kind::cancelled:
        break;
    }
    return std::nullopt;
}

QString LocalLLMError::descriptionOr(const QString &fallback) const
{
    return description().value_or(fallback);
}

QString LocalLLMError::detail() const
{
    switch (m_kind) {
    case Kind::transport:
        return m_detail.isEmpty() ? u"network error"_s : u"network error: "_s + m_detail;
    case Kind::decoding:
        return m_detail.isEmpty() ? u"unexpected reply"_s : u"unexpected reply: "_s + m_detail;
    case Kind::cancelled:
        return u"cancelled"_s;
    case Kind::serverMessage:
        return u"server error: "_s + m_detail;
    case Kind::redirected:
    case Kind::lineTooLong:
        // Their detail is part of the description already.
        return *description();
    default:
        break;
    }
    const QString text = description().value_or(QString());
    return m_detail.isEmpty() ? text : text + u" ("_s + m_detail + u')';
}
