// The window's side of a large store (LargeStore: 10,000 chats of 20 messages): what reading
// the list costs at start, the main-thread time of each kind of save, and a search's time.
// Each save is timed as the window makes it, through ChatList, on a copy of the store.
//
//   bench_largestore

#include "largestore.h"

#include "chat/appevents.h"
#include "chat/chatlist.h"
#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>

using namespace Qt::StringLiterals;

namespace {

struct Spread
{
    double median = 0;
    double worst = 0;
};

Spread spread(QList<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return ms.isEmpty() ? Spread() : Spread{ms.at(ms.size() / 2), ms.last()};
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

void print(QTextStream &out, const QString &what, const Spread &s)
{
    out << what.leftJustified(44)
        << u"median %1 ms, worst %2 ms"_s.arg(s.median, 0, 'f', 2).arg(s.worst, 0, 'f', 2)
        << Qt::endl;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString cache = LargeStore::cachedFolder();
    if (cache.isEmpty()) {
        out << "the store could not be made" << Qt::endl;
        return 1;
    }
    QTemporaryDir home;
    Settings settings(home.filePath(u"velm.conf"_s), home.filePath(u"data"_s));
    if (!settings.makeDataDirectory()
        || !QFile::copy(cache + u"/chats.db"_s, ChatStore::path(settings))) {
        out << "the store could not be copied" << Qt::endl;
        return 1;
    }
    out << LargeStore::chats << " chats of " << LargeStore::messagesPerChat << " messages"
        << Qt::endl;

    // A start: a store of its own reads the list, as the window's does.
    QList<double> loads;
    for (int i = 0; i < 5; ++i) {
        ChatStore store(settings);
        AppEvents events;
        loads.append(timed([&] { ChatList list(store, events); }));
    }
    print(out, u"reading the list at start"_s, spread(loads));

    ChatStore store(settings);
    AppEvents events;
    ChatList list(store, events);
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<double> questions, answers, renames, deletes, opens;
    for (int i = 0; i < 50; ++i) {
        const QUuid id = list.sessions().at(100 + i * 37).id;
        opens.append(timed([&] { list.session(id); }));
        std::optional<QUuid> chat = id;
        questions.append(timed([&] {
            chat = list.addMessage(chat, ChatMessage(ChatMessage::Role::User, u"And then?"_s), now);
        }));
        ChatMessage answer(ChatMessage::Role::Assistant, QString());
        list.beginAnswer(*chat, answer);
        for (int piece = 0; piece < 200; ++piece)
            list.appendToAnswer(*chat, answer.id, u"word "_s);
        answers.append(timed([&] { list.finishAnswer(*chat, answer.id, {}, now); }));
        renames.append(timed([&] { list.rename(*chat, u"Renamed %1"_s.arg(i)); }));
        deletes.append(timed([&] { list.remove(*chat); }));
    }
    print(out, u"opening a chat (its messages read)"_s, spread(opens));
    // The first write of a process makes the log and maps its index.
    out << u"the first save of the run"_s.leftJustified(44)
        << u"%1 ms"_s.arg(questions.takeFirst(), 0, 'f', 2) << Qt::endl;
    print(out, u"saving a question"_s, spread(questions));
    print(out, u"saving after an answer"_s, spread(answers));
    print(out, u"saving a rename"_s, spread(renames));
    print(out, u"saving a delete"_s, spread(deletes));

    QList<double> searches;
    int found = 0;
    for (const QString &query : LargeStore::queries())
        searches.append(timed([&] { found += int(list.search(query, 50).size()); }));
    print(out, u"a search (100 words, 50 results)"_s, spread(searches));
    out << "  results in all: " << found << Qt::endl;
    return 0;
}
