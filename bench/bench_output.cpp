#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>

#include "BenchWindow.h"
#include "LogLine.h"
#include "SummarySheet.h"

using namespace vorad;

namespace {

QByteArray OutputLog(int n, QStringList* lines)
{
    QByteArray bytes;
    for (int i = 0; i < n; ++i) {
        const QString line = FormatLogLine(i % 2 ? QStringLiteral("2m") : QStringLiteral("40m"),
            i % 3 ? QStringLiteral("FM") : QStringLiteral("CW"),
            QStringLiteral("59%1").arg(i % 1000, 3, 10, QLatin1Char('0')),
            QStringLiteral("VK%1").arg(i, 5, 10, QLatin1Char('0')), QStringLiteral("Al"),
            QStringLiteral("59012"), QStringLiteral("10:00"), QStringLiteral("08-15-2026"),
            QString::number(i % 3 ? 1 : 4));
        lines->append(line);
        AppendFileRecord(bytes, line);
        bytes += "\r\n";
    }
    return bytes;
}

// Resident and peak resident memory of this process, in kB; writing 5 to clear_refs starts
// the peak anew.
qint64 StatusKb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(qstrlen(key)))
                .trimmed()
                .split(' ')
                .first()
                .toLongLong();
    }
    return 0;
}

void ResetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void BM_Output_EmailSummaryAndCsv(benchmark::State& state)
{
    QStringList lines;
    OutputLog(static_cast<int>(state.range(0)), &lines);
    QTemporaryDir dir;
    const SheetFields fields { QStringLiteral("VK3VOR"), QStringLiteral("Al"),
        QStringLiteral("1 Main St"), QStringLiteral(" HF"), QStringLiteral("(a)"), 2026,
        QStringLiteral("08-16-2026") };
    const QString path = CsvFilePath(dir.path(), fields.callsign, BandCategory(lines));
    for (auto _ : state) {
        EmailContent content;
        QString error;
        if (BuildEmailSummary(fields, lines, content, &error) != EmailBuild::Done
            || !WriteCsvFile(path, content.attachment, &error))
            state.SkipWithError("not written");
    }
}

// The whole command, from the window, into a PDF on a page that holds the 10,000 contacts in
// 255 pages (A4 at 600 dpi holds 38 a page: 264 pages would be refused).
void PrintBench(benchmark::State& state, void (TQZMainForm::*print)())
{
    QTemporaryDir dir;
    QStringList lines;
    QFile log(dir.filePath(QStringLiteral("QZVHF.LOG")));
    log.open(QIODevice::WriteOnly);
    log.write(OutputLog(static_cast<int>(state.range(0)), &lines));
    log.close();
    StartupEnvironment env = BenchEnvironment(
        dir, "[CONTEST]\r\nCallsign=VK3VOR\r\nName=Al\r\nAddress=1 Main St\r\n", QTime(23, 59));
    const QString pdf = dir.filePath(QStringLiteral("log.pdf"));
    env.printDialogHook = [&pdf](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::Legal));
        return true;
    };
    TQZMainForm form(env);
    form.show();
    QCoreApplication::processEvents();
    const qint64 idle = StatusKb("VmRSS:");
    qint64 peak = 0;
    for (auto _ : state) {
        ResetPeak();
        (form.*print)();
        peak = qMax(peak, StatusKb("VmHWM:"));
        if (!QFile::exists(pdf))
            state.SkipWithError("nothing printed");
    }
    state.counters["idle_MB"] = static_cast<double>(idle) / 1024;
    state.counters["above_idle_MB"] = static_cast<double>(peak - idle) / 1024;
    state.counters["pdf_MB"] = static_cast<double>(QFile(pdf).size()) / (1024 * 1024);
    form.ShutDown(true);
}

void BM_Output_PrintNormalPdf(benchmark::State& state)
{
    PrintBench(state, &TQZMainForm::PrintNormal);
}

void BM_Output_PrintTextPdf(benchmark::State& state)
{
    PrintBench(state, &TQZMainForm::PrintText);
}

} // namespace

BENCHMARK(BM_Output_EmailSummaryAndCsv)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Output_PrintNormalPdf)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Output_PrintTextPdf)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
