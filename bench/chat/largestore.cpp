#include "largestore.h"

#include "chat/chatcodec.h"
#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

namespace LargeStore {

namespace {

// Words of the kind chats are made of, the common ones first: they are drawn more often.
const QStringList &vocabulary()
{
    static const QStringList words
        = u"the of and to a in is that for it as with was on be "
          "this are by or from at an not which have but you can "
          "model server answer question function value list file "
          "code error memory network python rust string number "
          "table query search result image window button thread "
          "process request response token context prompt system "
          "user message chat history local cache config release "
          "version update install package library module import "
          "export format parser compiler kernel driver display "
          "résumé Zürich naïve café über façade photosynthesis "
          "mitochondria integral derivative matrix vector tensor "
          "gradient optimizer training dataset benchmark latency "
          "throughput bandwidth protocol encryption certificate "
          "recipe garlic onion tomato basil oregano cinnamon "
          "holiday flight hotel museum mountain river forest "
          "invoice contract budget salary mortgage pension "
          "symphony violin trumpet orchestra sonata melody"_s.split(u' ');
    return words;
}

QString prose(QRandomGenerator &random, int length)
{
    const QStringList &words = vocabulary();
    QString text;
    text.reserve(length + 16);
    while (text.size() < length) {
        // Skewed towards the common words, as text is.
        const double r = random.generateDouble();
        text += words.at(qsizetype(r * r * r * double(words.size())));
        text += random.bounded(12) == 0 ? u". "_s : u" "_s;
    }
    return text;
}

} // namespace

QList<ChatSession> sessions(int count)
{
    QRandomGenerator random(42);
    const QDateTime start(QDate(2023, 1, 1), QTime(8, 0), Qt::UTC);
    QList<ChatSession> list;
    list.reserve(count);
    for (int s = 0; s < count; ++s) {
        ChatSession session = ChatSession::create(start.addSecs(qint64(s) * 3571));
        if (s % 3 == 0)
            session.customTitle = prose(random, 30);
        session.isArchived = s % 17 == 0;
        for (int m = 0; m < messagesPerChat; m += 2) {
            session.messages.append(
                ChatMessage(ChatMessage::Role::User, prose(random, 40 + random.bounded(200))));
            session.messages.append(ChatMessage(ChatMessage::Role::Assistant,
                                                prose(random, 200 + random.bounded(700))));
        }
        list.prepend(std::move(session));
    }
    return list;
}

QStringList queries()
{
    QStringList words = vocabulary().mid(40);
    words += {u"mod"_s,   u"serv"_s, u"resume"_s, u"zurich"_s, u"naive"_s,
              u"photo"_s, u"matr"_s, u"gard"_s,   u"orche"_s,  u"budg"_s};
    words.resize(100);
    return words;
}

QString cachedFolder()
{
    const QString folder
        = QDir::tempPath() + u"/velm-bench-store-%1x%2"_s.arg(chats).arg(messagesPerChat);
    const QString database = folder + u"/chats.db"_s;
    const QString json = folder + u"/chatSessions.json"_s;
    if (QFileInfo::exists(database) && QFileInfo::exists(json))
        return folder;
    QDir(folder).removeRecursively();
    const QString building = folder + u".building"_s;
    QDir(building).removeRecursively();
    if (!QDir().mkpath(building))
        return {};
    const QList<ChatSession> all = sessions();
    {
        Settings settings(building + u"/velm.conf"_s, building);
        if (!ChatStore(settings).add(all))
            return {};
    }
    QFile file(building + u"/chatSessions.json"_s);
    if (!file.open(QIODevice::WriteOnly) || !file.write(ChatCodec::encodeSessions(all)))
        return {};
    file.close();
    QFile::remove(building + u"/velm.conf"_s);
    if (!QDir().rename(building, folder))
        return {};
    return folder;
}

} // namespace LargeStore
