// Save and load of a large chat list through ChatStore, beside a plain QJsonDocument
// encode and parse of the same data (the floor). Also the cost of reading a setting, which
// checks the settings file for outside changes every time.

#include "chat/chatcodec.h"
#include "chat/chatstore.h"
#include "chat/settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int sessionCount = 1000;
constexpr int messagesPerSession = 20;

QString prose(QRandomGenerator &random, int length)
{
    static const QStringList words
        = {u"the"_s,      u"model"_s,   u"answer"_s,    u"**bold**"_s, u"`code`"_s, u"Zürich"_s,
           u"naïve"_s,    u"résumé"_s,  u"function"_s,  u"$x^2$"_s,    u"list"_s,   u"server"_s,
           u"question"_s, u"local"_s,   u"😀"_s,         u"\n\n"_s,     u"- item"_s, u"quick"_s,
           u"search"_s,   u"results"_s, u"\"quoted\""_s};
    QString text;
    text.reserve(length + 16);
    while (text.size() < length) {
        text += words.at(random.bounded(words.size()));
        text += u' ';
    }
    return text;
}

const QList<ChatSession> &sampleSessions()
{
    static const QList<ChatSession> sessions = [] {
        QRandomGenerator random(42);
        const QDateTime start(QDate(2025, 1, 1), QTime(8, 0), Qt::UTC);
        QList<ChatSession> list;
        for (int s = 0; s < sessionCount; ++s) {
            ChatSession session = ChatSession::create(start.addSecs(qint64(s) * 3571).addMSecs(s));
            if (s % 3 == 0)
                session.customTitle = prose(random, 30);
            session.isArchived = s % 17 == 0;
            for (int m = 0; m < messagesPerSession; m += 2) {
                session.messages.append(
                    ChatMessage(ChatMessage::Role::User, prose(random, 20 + random.bounded(250))));
                ChatMessage answer(ChatMessage::Role::Assistant,
                                   prose(random, 150 + random.bounded(900)));
                if ((s + m) % 10 == 0) {
                    QList<SearchResult> sources;
                    for (int r = 0; r < 3; ++r)
                        sources.append(SearchResult::create(
                            prose(random, 50),
                            u"https://example.org/articles/%1?ref=%2"_s.arg(s).arg(r),
                            prose(random, 200)));
                    answer.sources = sources;
                }
                session.messages.append(answer);
            }
            list.append(session);
        }
        return list;
    }();
    return sessions;
}

const QByteArray &sampleJson()
{
    static const QByteArray json = ChatCodec::encodeSessions(sampleSessions());
    return json;
}

// Median seconds per run of `work`, for the ratio counters.
double medianSeconds(const std::function<void()> &work, int runs = 9)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[runs / 2];
}

double floorEncodeSeconds()
{
    static const double seconds = [] {
        const QJsonDocument document = QJsonDocument::fromJson(sampleJson());
        return medianSeconds(
            [&] { benchmark::DoNotOptimize(document.toJson(QJsonDocument::Compact)); });
    }();
    return seconds;
}

double floorDecodeSeconds()
{
    static const double seconds = [] {
        return medianSeconds(
            [] { benchmark::DoNotOptimize(QJsonDocument::fromJson(sampleJson())); });
    }();
    return seconds;
}

// Runs the loop, timing it, and reports the time per iteration against the floor.
void timedLoop(benchmark::State &state, double floorSeconds, const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
        work();
    const double perIteration
        = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
        / double(state.iterations());
    state.counters["ms"] = perIteration * 1000;
    state.counters["floor_ms"] = floorSeconds * 1000;
    state.counters["ratio_to_floor"] = perIteration / floorSeconds;
    state.counters["MB"] = double(sampleJson().size()) / 1e6;
}

void BM_FloorEncode(benchmark::State &state)
{
    const QJsonDocument document = QJsonDocument::fromJson(sampleJson());
    timedLoop(state, floorEncodeSeconds(),
              [&] { benchmark::DoNotOptimize(document.toJson(QJsonDocument::Compact)); });
}

void BM_FloorDecode(benchmark::State &state)
{
    timedLoop(state, floorDecodeSeconds(),
              [] { benchmark::DoNotOptimize(QJsonDocument::fromJson(sampleJson())); });
}

void BM_CodecEncode(benchmark::State &state)
{
    timedLoop(state, floorEncodeSeconds(),
              [] { benchmark::DoNotOptimize(ChatCodec::encodeSessions(sampleSessions())); });
}

void BM_CodecDecode(benchmark::State &state)
{
    timedLoop(state, floorDecodeSeconds(),
              [] { benchmark::DoNotOptimize(ChatCodec::decodeSessions(sampleJson())); });
}

void BM_StoreSave(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(u"velm.conf"_s), dir.filePath(u"data"_s));
    ChatStore store(settings);
    store.add(sampleSessions());
    ChatSession session = sampleSessions().at(sessionCount / 2);
    // The save after an answer: the conversation's record and its last message.
    for (auto _ : state) {
        session.messages.last().text += u"x"_s;
        if (!store.save(session, session.messages.size() - 1))
            state.SkipWithError("save failed");
    }
}

void BM_StoreLoad(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(u"velm.conf"_s), dir.filePath(u"data"_s));
    ChatStore(settings).add(sampleSessions());
    for (auto _ : state) {
        // A store of its own each time, as a starting process has: nothing read before.
        const QList<ChatSession> sessions = ChatStore(settings).summaries().value_or({});
        if (sessions.size() != sessionCount)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(sessions);
    }
}

void BM_SettingsRead(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(u"velm.conf"_s), dir.filePath(u"data"_s));
    settings.setUserName(u"Ada"_s);
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.userName());
}

// The cached read that ignores outside changes, for comparison.
void BM_SettingsReadCached(benchmark::State &state)
{
    QTemporaryDir dir;
    QSettings settings(dir.filePath(u"velm.conf"_s), QSettings::IniFormat);
    settings.setValue(u"userName"_s, u"Ada"_s);
    settings.sync();
    for (auto _ : state)
        benchmark::DoNotOptimize(settings.value(u"userName"_s).toString());
}

void BM_SettingsWrite(benchmark::State &state)
{
    QTemporaryDir dir;
    Settings settings(dir.filePath(u"velm.conf"_s), dir.filePath(u"data"_s));
    int i = 0;
    for (auto _ : state)
        settings.setUserName(u"Ada %1"_s.arg(++i));
}

} // namespace

BENCHMARK(BM_FloorEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecEncode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreSave)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CodecDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreLoad)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SettingsRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SettingsReadCached)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SettingsWrite)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
