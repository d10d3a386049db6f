// Stream ingest: how fast the line reader, the chunk decoder and the thought splitter turn a
// streamed completion into the pieces of the answer and of the thought, on one core, without
// a network. The body has the shape of llama.cpp's chunks and arrives in 16 KB reads.
// Budget: at least 500 MB/s, for an answer and for a thought alike.

#include "llm/streamlinereader.h"
#include "llm/thoughtsplitter.h"
#include "llm/wireformat.h"

#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QStringList>

namespace {

// About `size` bytes of events, each "data: {chunk}\n\n" with a short, varied piece (words,
// punctuation, non-ASCII and escapes as in real answers) in `field` of the delta, then
// "data: [DONE]".
QByteArray realisticBody(qsizetype size, const QByteArray &field = "content")
{
    const QByteArrayList words{"The",
                               " answer",
                               " is",
                               " \\\"simple\\\"",
                               ":",
                               " use",
                               " a",
                               " hash",
                               " map",
                               ".\\n\\n",
                               "```",
                               "cpp\\n",
                               " \xC3\xA9t\xC3\xA9",
                               " \xE4\xBD\xA0\xE5\xA5\xBD",
                               " \\u00e9",
                               " \xF0\x9F\x98\x80"};
    QByteArray body;
    body.reserve(size + 512);
    for (int i = 0; body.size() < size; ++i) {
        body
            += R"(data: {"choices":[{"finish_reason":null,"index":0,"delta":{")" + field + R"(":")";
        body += words.at(i % words.size());
        body += R"("}}],"created":1796574407,"id":"chatcmpl-izWqwR1DYMd7LZr1O86A0p4MdL3qm1PC",)"
                R"("model":"qwen3-vl-8b-instruct","system_fingerprint":"b1-80fb11a",)"
                R"("object":"chat.completion.chunk"})"
                "\n\n";
    }
    body += "data: [DONE]\n\n";
    return body;
}

// As the answer pipeline reads a stream: the thought sent beside the answer is joined as it
// is, the answer's text goes through the splitter.
void ingest(benchmark::State &state, const QByteArray &body)
{
    constexpr qsizetype readSize = 16 * 1024;
    qsizetype pieces = 0;
    for (auto _ : state) {
        StreamLineReader reader;
        ThoughtSplitter splitter;
        QString answer;
        QString thought;
        for (qsizetype at = 0; at < body.size(); at += readSize) {
            reader.append(QByteArrayView(body).sliced(at, std::min(readSize, body.size() - at)));
            while (const auto line = reader.nextLine()) {
                StreamEvent event = WireFormat::decodeStreamLine(*line);
                if (event.type != StreamEvent::Type::piece)
                    continue;
                // As the pipeline does, nothing is appended that is empty.
                if (!event.reasoning.isEmpty())
                    thought += event.reasoning;
                if (!event.text.isEmpty()) {
                    ThoughtSplitter::Output out = splitter.take(std::move(event.text));
                    if (!out.thought.isEmpty())
                        thought += out.thought;
                    if (!out.answer.isEmpty())
                        answer += out.answer;
                }
                ++pieces;
            }
        }
        benchmark::DoNotOptimize(answer.data());
        benchmark::DoNotOptimize(thought.data());
    }
    state.SetBytesProcessed(state.iterations() * body.size());
    state.counters["pieces/s"] = benchmark::Counter(double(pieces), benchmark::Counter::kIsRate);
}

void streamIngest(benchmark::State &state)
{
    ingest(state, realisticBody(4 * 1024 * 1024));
}

// A thinking model's thought in delta.reasoning_content.
void reasoningIngest(benchmark::State &state)
{
    ingest(state, realisticBody(4 * 1024 * 1024, "reasoning_content"));
}

// The line reader alone, to see what the decoder costs.
void lineReaderOnly(benchmark::State &state)
{
    const QByteArray body = realisticBody(4 * 1024 * 1024);
    constexpr qsizetype readSize = 16 * 1024;
    for (auto _ : state) {
        StreamLineReader reader;
        qsizetype lines = 0;
        for (qsizetype at = 0; at < body.size(); at += readSize) {
            reader.append(QByteArrayView(body).sliced(at, std::min(readSize, body.size() - at)));
            while (reader.nextLine())
                ++lines;
        }
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(state.iterations() * body.size());
}

} // namespace

BENCHMARK(streamIngest)->Unit(benchmark::kMillisecond);
BENCHMARK(reasoningIngest)->Unit(benchmark::kMillisecond);
BENCHMARK(lineReaderOnly)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
