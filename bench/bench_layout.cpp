#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "BenchWindow.h"

using namespace vorad;

namespace {

// One layout of the whole window with 10,000 contacts in the list, the window one pixel wider
// or narrower each time so that every control really moves.
void BM_LayoutMainWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    QByteArray log;
    for (int i = 0; i < 10000; ++i)
        log += "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3A" + QByteArray::number(i % 1000)
            + "\",\"59001\",\"59012\",1,\"Al\"\r\n";
    QFile file(dir.filePath(QStringLiteral("QZVHF.LOG")));
    file.open(QIODevice::WriteOnly);
    file.write(log);
    file.close();
    StartupEnvironment env = BenchEnvironment(dir,
        "[CONTEST]\r\nCallsign=VK6XYZ\r\n[SETTINGS]\r\nLogBookFullScreen="
            + QByteArray::number(state.range(2)) + "\r\n",
        QTime(10, 0));
    DesktopOf(env).screen = [] { return QSize(1024, 768); };
    TQZMainForm form(env);
    form.show();
    QCoreApplication::processEvents();
    const QSize size(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.resize(size.width() + (++step & 1), size.height());
        QCoreApplication::processEvents(); // the layout the resize asks for runs here
        state.ResumeTiming();
        form.LayoutMainWindow();
    }
}

} // namespace

BENCHMARK(BM_LayoutMainWindow)
    ->Args({ 635, 435, 0 })
    ->Args({ 635, 435, 1 })
    ->Args({ 1190, 677, 0 })
    ->Args({ 1920, 1050, 0 })
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
