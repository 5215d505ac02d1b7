#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTimer>

#include "BenchWindow.h"
#include "LogLine.h"
#include "SummarySheet.h"
#include "net/MailPeer.h"

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
    DesktopOf(env).printers = [&pdf](QPrinter& printer) {
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

// The log of 10,000 contacts (Arg 0: its real CSV, about 450 KB), or an attachment of that
// many kB, sent to a real server on 127.0.0.1: Open to Mail's completion. A 1 ms timer beside
// it finds the longest time the event loop was held, and samples the memory.
void BM_Output_SendLog(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("store"));
    QDir().mkpath(store);
    MailPeer peer;
    if (!peer.start(QStringLiteral("store"), store)) {
        state.SkipWithError("no mail server");
        return;
    }
    QStringList lines;
    OutputLog(10000, &lines);
    QByteArray csv;
    for (const QString& line : lines)
        csv += LogLineToCsv(line).toLatin1() + "\r\n";
    if (state.range(0) > 0) {
        const QByteArray block = csv;
        csv.clear();
        while (csv.size() < state.range(0) * 1024)
            csv += block;
        csv.truncate(state.range(0) * 1024);
    }
    const QString path = dir.filePath(QStringLiteral("VK3VOR_Open.CSV"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(csv);
    file.close();
    const QStringList body = SummarySheetLines(
        SheetFields { QStringLiteral("VK3VOR"), QStringLiteral("Al"), QStringLiteral("1 Main St"),
            QString(), QString(), 2026, QString() },
        1234);

    qint64 idle = 0;
    qint64 peak = 0;
    qint64 stall = 0;
    QElapsedTimer gap;
    QTimer beat;
    beat.setInterval(1);
    QObject::connect(&beat, &QTimer::timeout, [&] {
        stall = qMax(stall, gap.restart());
        peak = qMax(peak, StatusKb("VmRSS:"));
    });
    for (auto _ : state) {
        TSmtpCli client;
        client.Host = QStringLiteral("127.0.0.1");
        client.Port = QString::number(peer.port);
        client.SetEmailFiles({ path });
        client.FromName = QStringLiteral("op@example.net");
        client.RcptName = QStringList { QStringLiteral("cm@example.org") };
        client.OnGetData = [&body](int n, QByteArray& line, int, bool& more) {
            more = n <= body.size();
            if (more)
                line = body[n - 1].toLatin1();
        };
        idle = StatusKb("VmRSS:");
        peak = idle;
        stall = 0;
        gap.start();
        beat.start();
        QElapsedTimer took;
        took.start();
        const bool sent = request(client, [&] { client.Open(); }) == 0
            && request(client, [&] { client.Mail(); }) == 0;
        state.SetIterationTime(double(took.nsecsElapsed()) / 1e9);
        beat.stop();
        if (!sent)
            state.SkipWithError("not sent");
        request(client, [&] { client.Quit(); });
    }
    state.counters["attachment_kB"] = double(csv.size()) / 1024;
    state.counters["rss_growth_MB"] = double(peak - idle) / 1024;
    state.counters["longest_stall_ms"] = double(stall);
}

} // namespace

BENCHMARK(BM_Output_EmailSummaryAndCsv)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Output_PrintNormalPdf)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Output_PrintTextPdf)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Output_SendLog)
    ->Arg(0)
    ->Arg(1024)
    ->Arg(20480)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
