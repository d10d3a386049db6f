#include "e2e/velmprocess.h"
#include "e2e/xsession.h"
#include "largestore.h"

#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

// What a large store (LargeStore: 10,000 chats of 20 messages) costs the app: the time from
// launch to the main window on screen (median of three starts) and the app's proportional set
// size (PSS) 5 s after it showed, beside the same with no chats. Also the first start of this
// version over an earlier velm's chatSessions.json, which moves it into the database.
//
//   bench_startstore                        on a virtual display of its own (Xvfb)
//   bench_startstore --velm PATH --json     another build, given the store as chatSessions.json
//                                           (an earlier velm, for a comparison)

namespace {

constexpr int starts = 3;
constexpr int pssAfterMs = 5000;

enum class Store { Empty, Database, Json };

struct Figures
{
    double startMs = 0;
    double pssMb = 0;
};

double pssMbOf(qint64 pid)
{
    QFile file(u"/proc/%1/smaps_rollup"_s.arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 2 && fields[0] == "Pss:")
            return fields[1].toDouble() / 1024;
    }
    return 0;
}

std::optional<Figures> startOnce(const XSession &x, const QString &binary, Store store,
                                 bool measurePss)
{
    VelmProcess velm(&x);
    if (!binary.isEmpty())
        velm.setBinary(binary);
    {
        Settings settings(velm.settingsFile(), velm.dataDirectory());
        settings.setHasCompletedOnboarding(true);
        settings.setUserName(u"Ada"_s);
        // A closed port: velm finds no model server and asks nothing of one.
        settings.setLmStudioServerAddress(u"http://127.0.0.1:9"_s);
        settings.makeDataDirectory();
        const QString cache = LargeStore::cachedFolder();
        if (store == Store::Database
            && !QFile::copy(cache + u"/chats.db"_s, ChatStore::path(settings)))
            return std::nullopt;
        if (store == Store::Json
            && !QFile::copy(cache + u"/chatSessions.json"_s,
                            velm.dataDirectory() + u"/chatSessions.json"_s))
            return std::nullopt;
    }
    QElapsedTimer clock;
    clock.start();
    if (!velm.start() || !x.waitForWindow(u"velm"_s)) {
        QTextStream(stderr) << "velm did not start\n" << velm.log();
        return std::nullopt;
    }
    Figures figures{double(clock.nsecsElapsed()) / 1e6, 0};
    if (measurePss) {
        QTest::qWait(pssAfterMs);
        figures.pssMb = pssMbOf(velm.process().processId());
    }
    velm.stop();
    return figures;
}

std::optional<Figures> measure(const XSession &x, const QString &binary, Store store)
{
    QList<double> times;
    double pss = 0;
    for (int i = 0; i < starts; ++i) {
        const std::optional<Figures> figures = startOnce(x, binary, store, i == 0);
        if (!figures)
            return std::nullopt;
        times.append(figures->startMs);
        if (i == 0)
            pss = figures->pssMb;
    }
    std::sort(times.begin(), times.end());
    return Figures{times.at(times.size() / 2), pss};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype velmAt = arguments.indexOf(u"--velm"_s);
    const QString binary = velmAt > 0 ? arguments.value(velmAt + 1) : QString();
    const bool json = arguments.contains(u"--json"_s);
    if (LargeStore::cachedFolder().isEmpty()) {
        out << "the store could not be made" << Qt::endl;
        return 1;
    }
    XSession x;
    if (!XSession::missingTools().isEmpty() || !x.start()) {
        out << "no X display: " << XSession::missingTools().join(u", "_s) << Qt::endl;
        return 1;
    }

    const std::optional<Figures> empty = measure(x, binary, Store::Empty);
    const std::optional<Figures> large = measure(x, binary, json ? Store::Json : Store::Database);
    if (!empty || !large)
        return 1;
    const auto line = [&out](const QString &what, const Figures &f) {
        out << what.leftJustified(40)
            << u"start %1 ms, PSS %2 MB"_s.arg(f.startMs, 0, 'f', 0).arg(f.pssMb, 0, 'f', 1)
            << Qt::endl;
    };
    line(u"no chats"_s, *empty);
    line(u"%1 chats of %2 messages"_s.arg(LargeStore::chats).arg(LargeStore::messagesPerChat),
         *large);
    out << u"the large store costs: start +%1 ms, PSS +%2 MB"_s
               .arg(large->startMs - empty->startMs, 0, 'f', 0)
               .arg(large->pssMb - empty->pssMb, 0, 'f', 1)
        << Qt::endl;
    if (!json) {
        // Once per user: the list of an earlier velm moved into the database.
        const std::optional<Figures> first = startOnce(x, binary, Store::Json, false);
        if (first)
            out << u"first start over an earlier velm's list: %1 ms"_s.arg(first->startMs, 0, 'f',
                                                                           0)
                << Qt::endl;
    }
    return 0;
}
