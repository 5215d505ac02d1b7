// Timings of the logbook's file and model paths at contest sizes.
// Run by hand: bench_logbook [--benchmark_filter=...]. Files go to QDir::tempPath()
// (set TMPDIR to measure another disk).
#include <benchmark/benchmark.h>

#include <iterator>
#include <map>
#include <random>
#include <vector>

#include <QApplication>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QListView>
#include <QTemporaryDir>
#include <QTime>

#include "ContactRecord.h"
#include "ContestSettings.h"
#include "Fonts.h"
#include "LogBook.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "LogMirror.h"
#include "NullUi.h"

using namespace vorad;

namespace {

// Deterministic but varied contacts; serial numbers the way the entry form sends them.
ContactRecord MakeContact(int serial, std::mt19937& rng)
{
    static const char* const bands[]
        = { "80m", "40m", "20m", "15m", "10m", "6m", "2m", "70cm", "23cm" };
    static const char* const modes[] = { "FM", "SSB", "CW" };
    static const char* const names[] = { "Peter", "Jo", "Margaret", "Alexandra", "Bob", "Kim",
        "Christophe", "Sue", "Hamish", "Li", "Wendy", "Tom" };
    auto pick = [&rng](int size) { return std::uniform_int_distribution<int>(0, size - 1)(rng); };
    auto letter = [&] { return QChar(u'A' + pick(26)); };

    ContactRecord r;
    r.band = QLatin1String(bands[pick(std::size(bands))]);
    r.mode = QLatin1String(modes[pick(std::size(modes))]);
    const bool cw = r.mode == QLatin1String("CW");
    r.callsign = pick(3) == 0 ? QStringLiteral("ZL%1").arg(1 + pick(4))
                              : QStringLiteral("VK%1").arg(1 + pick(8));
    r.callsign += letter();
    r.callsign += letter();
    if (pick(2) == 0)
        r.callsign += letter();
    r.name = QLatin1String(names[pick(std::size(names))]);
    const QString report = cw ? QStringLiteral("599") : QStringLiteral("59");
    r.rstSent = report + QStringLiteral("%1").arg(serial % 1000, 3, 10, QLatin1Char('0'));
    r.rstReceived = report + QStringLiteral("%1").arg(1 + pick(999), 3, 10, QLatin1Char('0'));
    r.date = QDate(2026, 8, 15).addDays(serial / 1440).toString(QStringLiteral("MM-dd-yyyy"));
    r.time = QTime(0, 0).addSecs(60 * (serial % 1440)).toString(QStringLiteral("hh:mm:ss"));
    r.points = cw ? QStringLiteral("2") : QStringLiteral("1");
    return r;
}

// The .LOG bytes of n contacts, built through the program's own line format.
const QByteArray& LogBytes(int n)
{
    static std::map<int, QByteArray> cache;
    QByteArray& out = cache[n];
    if (out.isEmpty()) {
        std::mt19937 rng(1234);
        for (int i = 1; i <= n; ++i) {
            const ContactRecord r = MakeContact(i, rng);
            const QString line = FormatLogLine(r.band, r.mode, r.rstSent, r.callsign, r.name,
                r.rstReceived, r.time.left(5), r.date, r.points);
            out += LogLineToFileRecord(line).toLatin1();
            out += "\r\n";
        }
    }
    return out;
}

// Scrolls as the main window does, so the view lays out and paints the tail of the log.
class ViewUi : public NullUi
{
public:
    ViewUi(QListView& view, const LogBook& book)
        : m_view(view)
        , m_book(book)
    { }
    void scrollToLastLines() override
    {
        const int first = m_book.rowCount() - 5;
        if (m_book.rowCount() > 0)
            m_view.scrollTo(m_book.index(qMax(0, first)), QAbstractItemView::PositionAtTop);
    }

private:
    QListView& m_view;
    const LogBook& m_book;
};

// A log file of n contacts in a fresh folder, and a logbook over it (not yet loaded).
struct Fixture
{
    explicit Fixture(int n)
    {
        settings.logFileName = dir.filePath(QStringLiteral("BENCH.LOG"));
        settings.backupLogFileName = dir.filePath(QStringLiteral("BENCH.BAK"));
        settings.callsign = QStringLiteral("VK3VOR");
        QFile file(settings.logFileName);
        ok = dir.isValid() && file.open(QIODevice::WriteOnly)
            && file.write(LogBytes(n)) == LogBytes(n).size();
    }
    // Loads the file, the station index with it; the total is reset first because a load adds
    // to it.
    bool load(LogBookUi& loadUi, int expected)
    {
        book.setRunningTotal(0);
        book.LoadLogBook(settings, loadUi);
        return book.rowCount() == expected && book.stations().rowCount() == expected;
    }

    QTemporaryDir dir;
    ContestSettings settings;
    LogFileStore store;
    LogBook book { store };
    NullUi ui;
    bool ok = false;
};

void SetRates(benchmark::State& state, qint64 items, qint64 bytes)
{
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * items));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_ParseLogFile(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const QByteArray& bytes = LogBytes(n);
    for (auto _ : state) {
        LoadedLog loaded = ParseLogFile(bytes);
        benchmark::DoNotOptimize(loaded);
    }
    SetRates(state, n, bytes.size());
}

// Lines ended by lone CRs, as an old editor may leave them: each line is found as fast.
void BM_ParseLogFileLoneCr(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    QByteArray bytes = LogBytes(n);
    bytes.replace("\r\n", "\r");
    for (auto _ : state) {
        LoadedLog loaded = ParseLogFile(bytes);
        benchmark::DoNotOptimize(loaded);
    }
    SetRates(state, n, bytes.size());
}

void BM_LoadLogBook(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Fixture f(n);
    bool loaded = f.ok;
    for (auto _ : state)
        loaded = f.load(f.ui, n) && loaded;
    if (!loaded)
        state.SkipWithError("log did not load");
    SetRates(state, n, LogBytes(n).size());
}

void BM_LoadLogBookIntoListView(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Fixture f(n);
    QListView view;
    QFont courier(QStringLiteral("Courier New"));
    courier.setPixelSize(13);
    courier.setStyleHint(QFont::TypeWriter);
    view.setFont(courier);
    view.setUniformItemSizes(true);
    view.setModel(&f.book);
    view.resize(610, 160);
    view.show();
    QCoreApplication::processEvents();
    ViewUi ui(view, f.book);
    bool loaded = f.ok;
    for (auto _ : state) {
        loaded = f.load(ui, n) && loaded;
        QCoreApplication::processEvents(); // the repaint the operator waits for
    }
    if (!loaded)
        state.SkipWithError("log did not load");
    SetRates(state, n, LogBytes(n).size());
}

enum class Mirrored { No, Inline, Worker };

void AppendContacts(benchmark::State& state, bool sync, Mirrored mirrored = Mirrored::No)
{
    // Back to n contacts now and then, so the log stays near the size under test.
    constexpr int ResetEvery = 10000;
    const int n = static_cast<int>(state.range(0));
    Fixture f(n);
    f.store.setSyncEnabled(sync);
    // A mirror folder on the same disk (TMPDIR): what the log's own path pays for it.
    QTemporaryDir mirrorDir;
    LogMirror mirror(std::make_shared<PosixFileSystem>(),
        mirrored == Mirrored::Worker ? LogMirror::Mode::Worker : LogMirror::Mode::Inline);
    mirror.setSyncEnabled(sync);
    if (mirrored != Mirrored::No) {
        mirror.setFolder(mirrorDir.path());
        f.book.setWriteListener(&mirror);
    }
    if (!f.ok || !f.load(f.ui, n)) {
        state.SkipWithError("log did not load");
        return;
    }
    std::mt19937 rng(99);
    std::vector<ContactRecord> contacts;
    for (int i = 0; i < 1000; ++i)
        contacts.push_back(MakeContact(n + 1 + i, rng));

    size_t next = 0;
    int appended = 0;
    for (auto _ : state) {
        if (appended == ResetEvery) {
            state.PauseTiming();
            QFile::resize(f.settings.logFileName, LogBytes(n).size());
            f.load(f.ui, n);
            mirror.waitIdle();
            appended = 0;
            state.ResumeTiming();
        }
        f.book.AppendContact(contacts[next], f.settings, f.ui);
        next = (next + 1) % contacts.size();
        ++appended;
    }
    mirror.waitIdle();
    if (!f.book.fileInStep())
        state.SkipWithError("append failed");
    if (mirrored != Mirrored::No) {
        QFile copy(mirrorDir.filePath(QStringLiteral("BENCH.LOG")));
        QFile log(f.settings.logFileName);
        if (!copy.open(QIODevice::ReadOnly) || !log.open(QIODevice::ReadOnly)
            || copy.readAll() != log.readAll())
            state.SkipWithError("the mirror is not the log");
    }
    SetRates(state, 1, LogBytes(n).size() / n);
}

void BM_AppendContact_NoSync(benchmark::State& state)
{
    AppendContacts(state, false);
}
void BM_AppendContact_Sync(benchmark::State& state)
{
    AppendContacts(state, true);
}
// The mirror's copy appended to in the same step, as a mirror without a worker would be.
void BM_AppendContact_MirrorInline_NoSync(benchmark::State& state)
{
    AppendContacts(state, false, Mirrored::Inline);
}
void BM_AppendContact_MirrorInline_Sync(benchmark::State& state)
{
    AppendContacts(state, true, Mirrored::Inline);
}
// What the log's own step pays with the mirror on its worker: the snapshot and the hand-over.
void BM_AppendContact_MirrorWorker_Sync(benchmark::State& state)
{
    AppendContacts(state, true, Mirrored::Worker);
}

// A mirror that fell behind, brought whole: one complete-or-nothing rewrite of the copy.
void BM_MirrorCatchUp_Sync(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    QTemporaryDir mirrorDir;
    MirrorWriter writer(std::make_shared<PosixFileSystem>());
    const QString log = mirrorDir.filePath(QStringLiteral("elsewhere/BENCH.LOG"));
    const MirrorJob whole { mirrorDir.path(), log, log.chopped(3) + QStringLiteral("BAK"),
        LogBytes(n) };
    const MirrorJob older { mirrorDir.path(), log, whole.backupFileName, LogBytes(n / 2) };
    bool written = true;
    for (auto _ : state) {
        state.PauseTiming();
        written = writer.write(older).kind == MirrorOutcome::Written && written;
        QFile::resize(mirrorDir.filePath(QStringLiteral("BENCH.LOG")), 10); // behind and torn
        state.ResumeTiming();
        written = writer.write(whole).kind == MirrorOutcome::Written && written;
    }
    if (!written)
        state.SkipWithError("the mirror was not written");
    SetRates(state, n, LogBytes(n).size());
}

void WriteContacts(benchmark::State& state, bool sync)
{
    const int n = static_cast<int>(state.range(0));
    Fixture f(n);
    f.store.setSyncEnabled(sync);
    if (!f.ok || !f.load(f.ui, n)) {
        state.SkipWithError("log did not load");
        return;
    }
    bool written = true;
    for (auto _ : state)
        written = f.book.WriteLogBook(f.settings, f.ui) && written;
    if (!written || QFileInfo(f.settings.logFileName).size() != LogBytes(n).size())
        state.SkipWithError("log was not written back unchanged");
    SetRates(state, n, LogBytes(n).size());
}

void BM_WriteLogBook_NoSync(benchmark::State& state)
{
    WriteContacts(state, false);
}
void BM_WriteLogBook_Sync(benchmark::State& state)
{
    WriteContacts(state, true);
}

} // namespace

const QByteArray& BenchLogBytes(int n)
{
    return LogBytes(n);
}

// Disk-bound cases use wall time: fsync waits do not show as CPU time.
BENCHMARK(BM_ParseLogFile)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseLogFileLoneCr)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadLogBook)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadLogBookIntoListView)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_AppendContact_NoSync)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_AppendContact_Sync)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(200);
BENCHMARK(BM_AppendContact_MirrorInline_NoSync)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_AppendContact_MirrorInline_Sync)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(200);
BENCHMARK(BM_AppendContact_MirrorWorker_Sync)
    ->Arg(10000)
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime()
    ->Iterations(200);
BENCHMARK(BM_MirrorCatchUp_Sync)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);
BENCHMARK(BM_WriteLogBook_NoSync)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_WriteLogBook_Sync)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

int main(int argc, char** argv)
{
    // The list view needs a GUI application, but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
