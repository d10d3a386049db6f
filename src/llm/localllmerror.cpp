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
    default:
        break;
    }
    const QString text = description().value_or(QString());
    return m_detail.isEmpty() ? text : text + u" ("_s + m_detail + u')';
}
