// Timings of the call history and the partial check at contest sizes.
// Run by hand: bench_logbook --benchmark_filter='History|PartialCheck|LastLoggedName'.
#include <benchmark/benchmark.h>

#include <random>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "BandMode.h"
#include "CallHistory.h"
#include "EntryRules.h"
#include "LogLine.h"
#include "StationIndex.h"

using namespace vorad;

namespace {

QString RandomCallsign(std::mt19937& rng)
{
    auto pick = [&rng](int size) { return std::uniform_int_distribution<int>(0, size - 1)(rng); };
    QString call = pick(4) == 0 ? QStringLiteral("ZL%1").arg(1 + pick(4))
                                : QStringLiteral("VK%1").arg(1 + pick(8));
    for (int n = 2 + pick(2); n > 0; --n)
        call += QChar(u'A' + pick(26));
    return call;
}

// A call history of `lines` lines, a few of them damaged, written to a file.
QByteArray HistoryBytes(int lines)
{
    static const char* const names[] = { "Peter", "Jo", "Margaret", "Alexandra", "Bob", "Kim",
        "Christophe", "Sue", "Hamish", "Li", "Wendy", "Tom" };
    std::mt19937 rng(42);
    QByteArray bytes;
    bytes.reserve(lines * 16);
    for (int i = 0; i < lines; ++i) {
        if (i % 1000 == 999) {
            bytes += "a line that does not read\r\n";
            continue;
        }
        bytes += RandomCallsign(rng).toLatin1() + ',' + names[i % std::size(names)] + "\r\n";
    }
    return bytes;
}

// Reading a 100,000-line call history from disk: within 100 ms at start-up and on OK.
void BM_CallHistoryRead100k(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("history.txt"));
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(HistoryBytes(static_cast<int>(state.range(0))));
    }
    CallHistory history;
    for (auto _ : state) {
        const CallHistory::ReadResult r = history.readFile(path, NameBoxLength);
        benchmark::DoNotOptimize(r.names);
    }
    state.counters["names"] = static_cast<double>(history.size());
}
BENCHMARK(BM_CallHistoryRead100k)->Arg(100000)->Unit(benchmark::kMillisecond);

QStringList ContestLog(int contacts)
{
    static const char* const modes[] = { "FM", "SSB", "CW" };
    std::mt19937 rng(7);
    auto pick = [&rng](int size) { return std::uniform_int_distribution<int>(0, size - 1)(rng); };
    QStringList lines;
    for (int i = 0; i < contacts; ++i)
        lines.append(FormatLogLine(QLatin1String(BandTable[pick(12)].label),
            QLatin1String(modes[pick(3)]), QStringLiteral("59001"), RandomCallsign(rng),
            QStringLiteral("Al"), QStringLiteral("59012"), QStringLiteral("10:00"),
            QStringLiteral("08-15-2026"), QStringLiteral("1")));
    return lines;
}

// One key typed in the callsign box: the hint line for what the box holds then. "VK" matches
// most of the log, the worst case.
void BM_PartialCheck(benchmark::State& state)
{
    const QStringList lines = ContestLog(static_cast<int>(state.range(0)));
    StationIndex index(lines);
    index.rebuild();
    const QString typed[] = { QStringLiteral("VK"), QStringLiteral("VK3"), QStringLiteral("AB"),
        QStringLiteral("VK3AB") };
    const QString& part = typed[state.range(1)];
    for (auto _ : state)
        benchmark::DoNotOptimize(PartialCheckText(lines, index, part));
}
BENCHMARK(BM_PartialCheck)
    ->ArgsProduct({ { 10000 }, { 0, 1, 2, 3 } })
    ->Unit(benchmark::kMicrosecond);

// The callsign step's name from the log.
void BM_LastLoggedName(benchmark::State& state)
{
    const QStringList lines = ContestLog(static_cast<int>(state.range(0)));
    StationIndex index(lines);
    index.rebuild();
    const QString call = ParseLogLine(lines.at(lines.size() / 2)).callsign.trimmed();
    for (auto _ : state)
        benchmark::DoNotOptimize(LastLoggedName(lines, index, call));
}
BENCHMARK(BM_LastLoggedName)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace
