// A second process writing the chat store, for the tests of writers that run at once:
//     velm_store_writer SETTINGS_FILE DATA_DIR NAME COUNT
// adds COUNT chats, one change at a time, whose questions are "NAME 0", "NAME 1", …, and
// prints the question of each once it is stored.

#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5) {
        std::fputs("usage: velm_store_writer SETTINGS_FILE DATA_DIR NAME COUNT\n", stderr);
        return 2;
    }
    Settings settings(arguments.at(1), arguments.at(2));
    ChatStore store(settings);
    const int count = arguments.at(4).toInt();
    for (int i = 0; i < count; ++i) {
        ChatSession session = ChatSession::create(QDateTime::currentDateTimeUtc());
        session.messages.append(
            ChatMessage(ChatMessage::Role::User, arguments.at(3) + u' ' + QString::number(i)));
        if (const ChatStoreResult<void> stored = store.save(session); !stored) {
            std::fprintf(stderr, "%s\n", qPrintable(stored.error().message()));
            return 1;
        }
        std::printf("%s\n", qPrintable(session.messages.at(0).text));
        std::fflush(stdout);
    }
    return 0;
}
