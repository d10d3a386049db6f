#include "base/cancellationtoken.h"

#include <QNetworkReply>

CancellationToken::CancellationToken()
    : m_state(std::make_shared<CancellationState>())
{ }

void CancellationToken::cancel() const
{
    if (m_state->isCancelled)
        return;
    m_state->isCancelled = true;
    Q_EMIT m_state->cancelled();
}

bool CancellationToken::isCancelled() const
{
    return m_state->isCancelled;
}

void CancellationToken::abortOnCancel(QNetworkReply *reply) const
{
    if (!reply)
        return;
    if (m_state->isCancelled) {
        reply->abort();
        return;
    }
    QObject::connect(m_state.get(), &CancellationState::cancelled, reply, &QNetworkReply::abort);
}

QObject *CancellationToken::notifier() const
{
    return m_state.get();
}
