#include <benchmark/benchmark.h>

#include <QElapsedTimer>

#include <atomic>
#include <thread>

#include "AlsaSink.h"
#include "ContestSettings.h"
#include "SoundCues.h"

using namespace vorad;

namespace {

// From the cue's call to its sound starting on the sink's thread (the device's own latency
// comes on top, where there is one).
void BM_Cues_ErrorCueStarts(benchmark::State& state)
{
    AlsaSink sink;
    ContestSettings settings;
    SoundCues cues(sink, settings);
    std::atomic<qint64> startedNs { -1 };
    QElapsedTimer clock;
    sink.setOnStarted([&] { startedNs = clock.nsecsElapsed(); });
    qint64 worst = 0;
    for (auto _ : state) {
        startedNs = -1;
        clock.start();
        cues.errorCue();
        while (startedNs < 0)
            std::this_thread::yield();
        state.SetIterationTime(double(startedNs) / 1e9);
        worst = qMax<qint64>(worst, startedNs);
    }
    state.counters["worst_ms"] = double(worst) / 1e6;
}

} // namespace

BENCHMARK(BM_Cues_ErrorCueStarts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
