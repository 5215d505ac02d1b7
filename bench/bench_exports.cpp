#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "BandMode.h"
#include "BenchWindow.h"
#include "ContestSettings.h"
#include "LogCheck.h"
#include "LogExport.h"
#include "LogFileStore.h"
#include "LogLine.h"

using namespace vorad;

namespace {

// `count` contacts over every band and mode in 24 hours, scored as the rules score them (no
// early-morning doubling), each station once; the serials run to 8999 and then repeat.
QStringList ExportLines(int count = 10000)
{
    static const char* const modes[] = { "Phone", "AM", "FM", "SSB", "TV", "Dgtl", "CW" };
    static const char areas[] = "12456789"; // not the own call area
    QStringList lines;
    for (int i = 0; i < count; ++i) {
        const int minute = 8 * 60 + int(qint64(i) * 1440 / count);
        const BandRow& band = BandTable[i % 18];
        const bool cw = i % 7 == 6;
        const int n = i / 8;
        const QString call = QStringLiteral("VK%1%2%3%4")
                                 .arg(QLatin1Char(areas[i % 8]))
                                 .arg(QChar(u'A' + n / 676 % 26))
                                 .arg(QChar(u'A' + n / 26 % 26))
                                 .arg(QChar(u'A' + n % 26));
        const int serial = 1 + i % 8999;
        const QString rst = cw ? QStringLiteral("599") : QStringLiteral("59");
        lines.append(
            FormatLogLine(QString::fromLatin1(band.label), QString::fromLatin1(modes[i % 7]),
                rst + QStringLiteral("%1").arg(serial, 3, 10, QLatin1Char('0')), call,
                QStringLiteral("Jos\u00e9"), rst + QStringLiteral("012"),
                QStringLiteral("%1:%2")
                    .arg(minute / 60 % 24, 2, 10, QLatin1Char('0'))
                    .arg(minute % 60, 2, 10, QLatin1Char('0')),
                minute < 1440 ? QStringLiteral("08-15-2026") : QStringLiteral("08-16-2026"),
                QString::number((cw ? 2 : 1) * (band.alwaysDoubled ? 2 : 1))));
    }
    return lines;
}

ExportStation Station()
{
    ExportStation s;
    s.callsign = QStringLiteral("VK3XYZ");
    s.name = QStringLiteral("Ann Smith");
    s.address = QStringLiteral("1 Long Road, Kestrelwood Heights VIC 3999");
    s.category = QStringLiteral(" HF operation on bands below 50MHz Single Operator section");
    s.section = QStringLiteral("(c) Transmitting Open (Phone and CW)");
    s.created = QDateTime::currentDateTimeUtc();
    return s;
}

// The whole export as the File menu runs it, the file synced to disk before it takes its name.
void BM_Export(benchmark::State& state, ExportFormat format)
{
    const QStringList lines = ExportLines();
    QTemporaryDir dir;
    LogFileStore store;
    const QString path = dir.filePath(QStringLiteral("export.out"));
    int written = 0;
    for (auto _ : state) {
        const ExportResult r = ExportLog(format, path, lines, Station(), store);
        if (!r.written)
            state.SkipWithError("not written");
        written = r.contacts;
    }
    state.counters["contacts"] = written;
}
BENCHMARK_CAPTURE(BM_Export, Cabrillo, ExportFormat::Cabrillo)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Export, Adif, ExportFormat::Adif)->Unit(benchmark::kMillisecond);

QByteArray LogFile(const QStringList& lines)
{
    QByteArray file;
    for (const QString& line : lines) {
        AppendFileRecord(file, line);
        file += "\r\n";
    }
    return file;
}

// Resident and peak resident size of this process in bytes ("VmRSS:", "VmHWM:").
double MemoryBytes(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toDouble() * 1024;
    }
    return 0;
}

// The peak resident size starts again from the resident size, and memory freed before is
// given back, so that what the next step takes shows in the peak.
void RestartPeak()
{
    malloc_trim(0);
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void BM_CheckLog(benchmark::State& state)
{
    const QStringList lines = ExportLines(int(state.range(0)));
    const double logBytes = double(LogFile(lines).size());
    ContestSettings settings;
    settings.callsign = QStringLiteral("VK3XYZ");
    settings.contestFinishDate = QDate(2026, 8, 16);
    settings.doublePoints16 = false;
    const SheetFields sheet { QStringLiteral("VK3XYZ"), QStringLiteral("Ann"),
        QStringLiteral("1 Main St"), QStringLiteral(" HF"), QStringLiteral("(a)"), 2026,
        QStringLiteral("08-16-2026") };
    qsizetype findings = 0;
    double peak = 0; // beyond the lines, which the logbook holds anyway
    for (auto _ : state) {
        state.PauseTiming();
        RestartPeak();
        const double idle = MemoryBytes("VmRSS:");
        state.ResumeTiming();
        findings = CheckLog(lines, settings, sheet, 10 * 3600).size();
        peak = qMax(peak, MemoryBytes("VmHWM:") - idle);
    }
    state.counters["findings"] = double(findings);
    state.counters["log_MB"] = logBytes / (1024 * 1024);
    state.counters["peak_over_log"] = peak / logBytes;
}
BENCHMARK(BM_CheckLog)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// "Check Log" from the window over a log whose serials repeat after 8999 (a finding on nine
// lines in ten) while the window shows the findings of the run before: the check and its
// window together. The peak counts above the window idle with those findings given up.
void BM_CheckLogWindow(benchmark::State& state)
{
    QTemporaryDir dir;
    const QByteArray log = LogFile(ExportLines(int(state.range(0))));
    QFile file(dir.filePath(QStringLiteral("QZVHF.LOG")));
    file.open(QIODevice::WriteOnly);
    file.write(log);
    file.close();
    StartupEnvironment env = BenchEnvironment(
        dir, "[CONTEST]\r\nCallsign=VK3XYZ\r\nName=Ann\r\nAddress=1 Main St\r\n", QTime(23, 59));
    TQZMainForm form(env);
    form.show();
    QCoreApplication::processEvents();
    // The window's first showing costs what any window's does, whatever the log.
    form.CheckLog1Click();
    QCoreApplication::processEvents();
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.findingsForm().clearRows();
        RestartPeak();
        const double idle = MemoryBytes("VmRSS:");
        state.ResumeTiming();
        form.CheckLog1Click();
        QCoreApplication::processEvents();
        peak = qMax(peak, MemoryBytes("VmHWM:") - idle);
    }
    state.counters["rows"] = double(form.findingsForm().rowCount());
    state.counters["log_MB"] = double(log.size()) / (1024 * 1024);
    state.counters["peak_over_log"] = peak / double(log.size());
    form.ShutDown(true);
}
BENCHMARK(BM_CheckLogWindow)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

} // namespace
