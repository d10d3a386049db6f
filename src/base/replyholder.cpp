#include "base/replyholder.h"

ReplyHolder::~ReplyHolder()
{
    if (!m_reply)
        return;
    if (m_onRelease == Signals::Disconnected)
        QObject::disconnect(m_reply, nullptr, nullptr, nullptr);
    m_reply->deleteLater();
}
