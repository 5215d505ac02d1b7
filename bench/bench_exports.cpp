#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "BandMode.h"
#include "ContestSettings.h"
#include "LogCheck.h"
#include "LogExport.h"
#include "LogFileStore.h"
#include "LogLine.h"

using namespace vorad;

namespace {

// 10,000 contacts over every band and mode in 24 hours, scored as the rules score them (no
// early-morning doubling), each station once; the serials run to 8999 and then repeat.
QStringList ExportLines()
{
    static const char* const modes[] = { "Phone", "AM", "FM", "SSB", "TV", "Dgtl", "CW" };
    static const char areas[] = "12456789"; // not the own call area
    QStringList lines;
    for (int i = 0; i < 10000; ++i) {
        const int minute = 8 * 60 + i * 1440 / 10000;
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

void BM_CheckLog(benchmark::State& state)
{
    const QStringList lines = ExportLines();
    ContestSettings settings;
    settings.callsign = QStringLiteral("VK3XYZ");
    settings.contestFinishDate = QDate(2026, 8, 16);
    settings.doublePoints16 = false;
    const SheetFields sheet { QStringLiteral("VK3XYZ"), QStringLiteral("Ann"),
        QStringLiteral("1 Main St"), QStringLiteral(" HF"), QStringLiteral("(a)"), 2026,
        QStringLiteral("08-16-2026") };
    qsizetype findings = 0;
    for (auto _ : state)
        findings = CheckLog(lines, settings, sheet, 10 * 3600).size();
    state.counters["findings"] = double(findings);
}
BENCHMARK(BM_CheckLog)->Unit(benchmark::kMillisecond);

} // namespace
