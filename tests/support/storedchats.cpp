#include "support/storedchats.h"

#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QTest>

namespace StoredChats {

bool write(Settings &settings, const QList<ChatSession> &sessions)
{
    ChatStore store(settings);
    return store.removeAll().ok() && store.add(sessions).ok();
}

QList<ChatSession> read(Settings &settings)
{
    const ChatStoreResult<QList<ChatSession>> stored = ChatStore(settings).load();
    if (!stored) {
        QTest::qFail(qPrintable(stored.error().message()), __FILE__, __LINE__);
        return {};
    }
    return stored.value();
}

} // namespace StoredChats
