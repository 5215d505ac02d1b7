// Timings of the dupe display, the QSO summary and the edit cycle in the real window, on a log
// of 10,000 contacts with about 4,000 distinct station, band and mode entries.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>

#include "BenchWindow.h"
#include "DupeSummary.h"
#include "LogLine.h"

using namespace vorad;

namespace {

// 10,000 contacts over the 24 hours: 1,334 stations, each on three band-and-mode pairs.
QByteArray DisplayLog(int n, QStringList* lines)
{
    static const char* const pairs[][2]
        = { { "2m", "FM" }, { "70cm", "SSB" }, { "6m", "CW" }, { "40m", "SSB" } };
    QByteArray bytes;
    for (int i = 0; i < n; ++i) {
        const int station = (i * 7919) % 1334;
        QString call = QStringLiteral("VK%1").arg(1 + station % 8);
        for (int k = 0, s = station / 8; k < 3; ++k, s /= 26)
            call += QChar(u'A' + s % 26);
        const auto& pair = pairs[(station + i / 1334) % 3 + (i % 97 == 0 ? 1 : 0)];
        const QTime time = QTime(0, 0).addSecs(i * 86000 / n);
        const QString line = FormatLogLine(QLatin1String(pair[0]), QLatin1String(pair[1]),
            QStringLiteral("59%1").arg(i % 1000, 3, 10, QLatin1Char('0')), call,
            QStringLiteral("Al"), QStringLiteral("59012"), time.toString(QStringLiteral("hh:mm")),
            QStringLiteral("08-15-2026"), QStringLiteral("1"));
        lines->append(line);
        AppendFileRecord(bytes, line);
        bytes += "\r\n";
    }
    return bytes;
}

struct WindowFixture
{
    explicit WindowFixture(int n)
    {
        QFile log(dir.filePath(QStringLiteral("QZVHF.LOG")));
        ok = log.open(QIODevice::WriteOnly) && log.write(DisplayLog(n, &lines)) > 0;
        log.close();
        form = std::make_unique<TQZMainForm>(BenchEnvironment(dir,
            "[CONTEST]\r\nCallsign=VK3VOR\r\n[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\n"
            "LogBookFullScreen=0\r\n[TIME]\r\nRepeatContactTimeHrs=2\r\n",
            QTime(23, 59)));
        form->show();
        QCoreApplication::processEvents();
        ok = ok && form->logBook().rowCount() == n;
    }
    ~WindowFixture() { form->ShutDown(true); }

    QTemporaryDir dir;
    QStringList lines;
    std::unique_ptr<TQZMainForm> form;
    bool ok = false;
};

void BM_DupeListsAndTally(benchmark::State& state)
{
    QStringList lines;
    DisplayLog(static_cast<int>(state.range(0)), &lines);
    const QDateTime finish(QDate(2026, 8, 16), QTime(0, 0), Qt::UTC);
    qsizetype entries = 0;
    for (auto _ : state) {
        const DupeLists lists = BuildDupeLists(lines, u"08-15-2026", u"23:59:00", finish, 2, false);
        qint64 total = 0;
        benchmark::DoNotOptimize(TallyBands(lines, &total));
        entries = lists.allowed.size() + lists.wait.size();
    }
    state.counters["entries"] = static_cast<double>(entries);
}

// What the window does on every commit and every minute: both displays rebuilt and shown.
void BM_RefreshDupeDisplayAndSummary(benchmark::State& state)
{
    WindowFixture f(static_cast<int>(state.range(0)));
    if (!f.ok) {
        state.SkipWithError("no log");
        return;
    }
    for (auto _ : state) {
        f.form->RefreshDupeDisplay();
        f.form->RefreshSummary();
    }
}

void BM_ScrollTimerStep(benchmark::State& state)
{
    WindowFixture f(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        f.form->ScrollTimer1Timer();
        f.form->ScrollTimer2Timer();
    }
}

// F2 on a line in the middle, then ENTER in the received-report box: the line replaced, the
// file rewritten (no sync) and the displays rebuilt.
void BM_EditAndCommit_NoSync(benchmark::State& state)
{
    WindowFixture f(static_cast<int>(state.range(0)));
    auto* list = f.form->findChild<QListView*>(QStringLiteral("LogBook"));
    auto* rstRx = f.form->findChild<QLineEdit*>(QStringLiteral("RSTRxN"));
    int row = 0;
    for (auto _ : state) {
        state.PauseTiming();
        row = (row + 37) % static_cast<int>(state.range(0));
        list->selectionModel()->select(
            list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
        state.ResumeTiming();
        f.form->EditContact();
        rstRx->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(rstRx, &press);
    }
    if (f.form->entry().editPending())
        state.SkipWithError("the edit was not committed");
}

} // namespace

BENCHMARK(BM_DupeListsAndTally)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshDupeDisplayAndSummary)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_ScrollTimerStep)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_EditAndCommit_NoSync)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
