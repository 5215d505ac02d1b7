// Timings of the entry row's rules and of one contact through the real window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>

#include "BenchWindow.h"
#include "ContactEntry.h"
#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"
#include "NullUi.h"
#include "QZMainForm.h"
#include "TestClock.h"

using namespace vorad;

const QByteArray& BenchLogBytes(int n); // bench_logbook.cpp

namespace {

// A callsign that no generated contact has, different for every i.
QString FreshCallsign(int i)
{
    QString call = QStringLiteral("VK9");
    for (int k = 0; k < 3; ++k, i /= 26)
        call += QChar(u'A' + i % 26);
    return call;
}

struct EntryFixture
{
    explicit EntryFixture(int n)
    {
        settings.logFileName = dir.filePath(QStringLiteral("BENCH.LOG"));
        settings.backupLogFileName = dir.filePath(QStringLiteral("BENCH.BAK"));
        settings.callsign = QStringLiteral("VK3VOR");
        settings.contestFinishDate = QDate(2026, 8, 16);
        QFile file(settings.logFileName);
        ok = file.open(QIODevice::WriteOnly) && file.write(BenchLogBytes(n)) > 0;
        file.close();
        store.setSyncEnabled(false);
        book.LoadLogBook(settings, ui);
        ok = ok && book.rowCount() == n;
        clock.setUtc(QDate(2026, 8, 15), QTime(12, 0), 8 * 3600);
        entry.row().band.text = QStringLiteral("2m");
        entry.row().mode.text = QStringLiteral("FM");
        entry.SecondTickTimerTimer();
    }

    QTemporaryDir dir;
    ContestSettings settings;
    LogFileStore store;
    LogBook book { store };
    NullUi ui;
    TestClock clock;
    ContactEntry entry { settings, book, ui, clock, ui };
    bool ok = false;
};

// No earlier contact matches: the whole logbook is scanned.
void BM_ScoreContact_NoMatch(benchmark::State& state)
{
    EntryFixture f(static_cast<int>(state.range(0)));
    ContactRecord& r = f.entry.record();
    r.callsign = FreshCallsign(1);
    r.band = QStringLiteral("2m");
    r.mode = QStringLiteral("FM");
    bool accepted = f.ok;
    for (auto _ : state)
        accepted = f.entry.ScoreContact() && accepted;
    if (!accepted)
        state.SkipWithError("contact refused");
}

// The oldest contact is worked again: the match is found and shown (an allowed repeat, 12 hours
// on). Each round starts from a fresh record, as the next callsign would.
void BM_ScoreContact_Repeat(benchmark::State& state)
{
    EntryFixture f(static_cast<int>(state.range(0)));
    const LogFields first = ParseLogLine(f.book.lines().value(0));
    bool shown = f.ok;
    for (auto _ : state) {
        f.entry.reset();
        ContactRecord& r = f.entry.record();
        r.callsign = first.callsign;
        r.band = first.band;
        r.mode = first.mode;
        f.entry.ScoreContact();
        shown = f.entry.repeatShown() && shown;
    }
    if (!shown)
        state.SkipWithError("no repeat found");
}

void BM_ClockTick_SameMinute(benchmark::State& state)
{
    EntryFixture f(static_cast<int>(state.range(0)));
    for (auto _ : state)
        f.entry.SecondTickTimerTimer();
}

// From the Enter in the received-report box to the record written (no sync): the commit,
// the repeat check, the append and the cleared row.
void BM_CommitEntry_NoSync(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    EntryFixture f(n);
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.entry.row().callsign.text = FreshCallsign(++i);
        f.entry.NormaliseCallsign();
        f.entry.row().name.text = QStringLiteral("bob");
        f.entry.NameStep();
        f.entry.row().rstRx.text = QStringLiteral("12");
        state.ResumeTiming();
        f.entry.CommitEntry();
    }
    if (f.book.rowCount() != n + i)
        state.SkipWithError("a contact was not logged");
}

void SendKey(QWidget* target, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
}

// The same road through the real window: the key handler, the rules and the repaint.
void BM_WindowCommit_NoSync(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    QFile log(dir.filePath(QStringLiteral("QZVHF.LOG")));
    if (!log.open(QIODevice::WriteOnly) || log.write(BenchLogBytes(n)) <= 0) {
        state.SkipWithError("no log");
        return;
    }
    log.close();
    TQZMainForm form(BenchEnvironment(dir, "[CONTEST]\r\nCallsign=VK3VOR\r\n", QTime(12, 0)));
    form.show();
    QCoreApplication::processEvents();
    auto* rstRx = form.findChild<QLineEdit*>(QStringLiteral("RSTRxN"));
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        form.entry().row().callsign.text = FreshCallsign(++i);
        form.entry().NormaliseCallsign();
        form.entry().NameStep();
        rstRx->setText(QStringLiteral("12"));
        form.entry().row().rstRx.text = rstRx->text();
        rstRx->setFocus();
        state.ResumeTiming();
        SendKey(rstRx, Qt::Key_Return);
    }
    if (form.logBook().rowCount() != n + i)
        state.SkipWithError("a contact was not logged");
    form.ShutDown(true);
}

} // namespace

BENCHMARK(BM_ScoreContact_NoMatch)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScoreContact_Repeat)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClockTick_SameMinute)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CommitEntry_NoSync)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WindowCommit_NoSync)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();
