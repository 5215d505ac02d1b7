#include <algorithm>
#include <csignal>
#include <optional>
#include <random>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogBook.h"
#include "LogFileCommands.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "LogMirror.h"
#include "NullUi.h"
#include "ProfileFile.h"
#include "SummarySheet.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

// The file's lines by number, as the loader counts them (LF, CR LF or a lone CR ends one).
QList<QByteArray> fileLines(const QByteArray& bytes)
{
    QList<QByteArray> out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r')
            continue;
        out.append(bytes.mid(start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    out.append(bytes.mid(start));
    return out;
}

// The callsigns of the file's contacts; false when the file holds anything a load would question,
// save what a kill inside an append's write leaves: the record cut short, torn at the end when
// tornAllowed, and every line that was such a record once (its callsign in cut).
bool readCalls(const QString& path, QSet<QString>* calls, QString* why,
    const QSet<QString>& cut = {}, bool tornAllowed = false,
    std::optional<QString>* tornCall = nullptr)
{
    const QByteArray bytes = readAll(path);
    const LoadedLog log = ParseLogFile(bytes);
    const QList<QByteArray> numbered = fileLines(bytes);
    qsizetype damaged = 0;
    for (const LoadProblem& p : log.problems)
        damaged += !cut.contains(
            ParseLogLine(FileBytesToLogLine(numbered.value(p.lineNumber - 1))).callsign);
    const QString torn = log.tornLastLine ? ParseLogLine(log.lines.last()).callsign : QString();
    if (damaged > 0 || (log.tornLastLine && !tornAllowed && !cut.contains(torn))) {
        *why = QStringLiteral("%1: %2 damaged lines%3")
                   .arg(path)
                   .arg(damaged)
                   .arg(log.tornLastLine ? QStringLiteral(", a torn last line") : QString());
        return false;
    }
    if (tornCall && log.tornLastLine)
        *tornCall = torn;
    for (const QString& line : log.lines)
        calls->insert(ParseLogLine(line).callsign);
    return true;
}

// Counts what the operator is told of: boxes and cues.
struct ToldUi : NullUi
{
    int told = 0;
    void showMessage(const QString&) override { ++told; }
    void errorCue() override { ++told; }
};

QStringList callsOf(const QStringList& lines)
{
    QStringList calls;
    for (const QString& line : lines)
        calls.append(ParseLogLine(line).callsign);
    return calls;
}

} // namespace

class TestCrashes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The driver logs through the logbook and is killed at random moments, during appends and
    // during the rewrites of edit, delete, save and New Log; one run in three makes its backups
    // by copying, as where hard links are not possible. After each kill every contact it
    // had told of is in the log (or, while a New Log was under way, in the backup), the backup
    // holds the log as the last rewrite found it, every file left reads whole, and the next
    // run loads exactly the log's lines.
    void killedAtRandom()
    {
        QTemporaryDir dir;
        QTemporaryDir mirrorDir; // the mirror's copy of the log, written on a worker
        const QString log = dir.filePath("QZVHF.LOG");
        const QString bak = dir.filePath("QZVHF.BAK");
        const QString copy = mirrorDir.filePath("QZVHF.LOG");
        QSet<QString> ever; // every callsign the log held or was told to hold
        int mirrorChecked = 0, mirrorAhead = 0;
        std::mt19937 rng(20261209);
        QSet<QString> must; // told of as logged, or found in the log by a run
        QSet<QString> before; // what the rewrite under way found in the log
        // What the last finished rewrite found in the log, and what each rewrite cut short since
        // found: the backup is the log as one of them found it.
        QList<QSet<QString>> backups;
        int kills = 0, duringRewrite = 0, checked = 0, lost = 0, steps = 0, bakChecked = 0;
        qsizetype lines = 0; // the log's, as the test read it after the last kill
        QStringList lostCalls;
        QSet<QString> keptAside;
        QSet<QString> cut; // the callsigns of records a kill cut short (never told)
        auto lose = [&](const QString& call) {
            ++lost;
            lostCalls.append(call);
        };
        for (int run = 0; run < 300; ++run) {
            QProcess driver;
            driver.start(QStringLiteral(VORAD_CRASH_DRIVER),
                { dir.path(), QString::number(rng()), QString::number(qint64(run) * 10'000'000),
                    run % 3 == 2 ? "copies" : "links", mirrorDir.path() });
            QVERIFY(driver.waitForStarted());
            while (!driver.canReadLine() && driver.state() == QProcess::Running)
                driver.waitForReadyRead(5000);
            const QByteArray ready = driver.readLine().trimmed();
            QCOMPARE(ready, "READY " + QByteArray::number(lines));
            // Somewhere in the next 30 ms: mostly appends, with rewrites of up to 3,000 lines.
            QTest::qSleep(int(rng() % 30));
            // A driver that ended by itself has failed a step; and pid 0 would be our own group.
            QVERIFY(driver.state() == QProcess::Running && driver.processId() > 0);
            ::kill(pid_t(driver.processId()), SIGKILL);
            QVERIFY(driver.waitForFinished(10000));
            QVERIFY(driver.exitStatus() == QProcess::CrashExit);
            ++kills;

            QByteArray last;
            QStringList edit; // an edit under way: its old and new callsigns
            QSet<QString> toldNow; // told as logged by this run
            QList<QByteArray> told = driver.readAllStandardOutput().split('\n');
            told.removeLast(); // empty, or a line the kill cut short: never told
            for (const QByteArray& raw : std::as_const(told)) {
                const QList<QByteArray> w = raw.trimmed().split(' ');
                const QByteArray& step = w.first();
                if (step.isEmpty())
                    continue;
                last = step;
                ++steps;
                auto call = [&](int i) { return QString::fromLatin1(w.value(i)); };
                if (step == "A" || step == "e" || step == "E")
                    ever.insert(call(step == "A" ? 1 : 2));
                if (step == "e" || step == "d" || step == "s" || step == "n")
                    before = must;
                else if (step == "E" || step == "D" || step == "S" || step == "N")
                    backups = { before };
                if (step == "A") {
                    must.insert(call(1));
                    toldNow.insert(call(1));
                } else if (step == "e") {
                    must.remove(call(1));
                    edit = { call(1), call(2) };
                } else if (step == "d") {
                    must.remove(call(1));
                } else if (step == "E") {
                    must.insert(call(2));
                    toldNow.insert(call(2));
                    edit.clear();
                } else if (step == "N") {
                    must.clear();
                }
            }
            const bool rewriting = last == "e" || last == "d" || last == "s" || last == "n";
            duringRewrite += rewriting;

            QSet<QString> present, backedUp;
            QString why;
            // The kernel may stop a write at a SIGKILL part way (between the pages a record
            // spans): a record cut short at the end of the log is a write that never returned,
            // and the loader keeps it as a line of its own. No rewrite touches the log in place.
            std::optional<QString> torn;
            QVERIFY2(readCalls(log, &present, &why, cut, !rewriting, &torn), qPrintable(why));
            if (torn) {
                QVERIFY2(!toldNow.contains(*torn), "a contact told as logged is cut short");
                cut.insert(*torn);
            }
            if (rewriting && !backups.isEmpty())
                backups.append(before);
            if (!backups.isEmpty()) {
                QVERIFY2(QFile::exists(bak), "no backup after a finished rewrite");
                QVERIFY2(readCalls(bak, &backedUp, &why, cut), qPrintable(why));
                ++bakChecked;
                if (std::none_of(backups.cbegin(), backups.cend(),
                        [&](const QSet<QString>& b) { return backedUp.contains(b); }))
                    lose(QStringLiteral("(backup)"));
            }
            for (const QString& c : std::as_const(must)) {
                ++checked;
                if (!present.contains(c) && !(last == "n" && backedUp.contains(c)))
                    lose(c);
            }
            if (last == "e" && !present.contains(edit.value(0)) && !present.contains(edit.value(1)))
                lose(edit.value(0)); // neither the old contact nor its correction
            // Whatever is in the log now is on disk, told or not: the program may never drop it.
            must = present;
            ever += present;
            ever += cut;

            // The mirror reads whole, save the torn end of an append cut short and the lines the
            // log has from records cut short, and holds no contact the log never held; so does
            // every copy it kept aside.
            for (const QFileInfo& f : QDir(mirrorDir.path()).entryInfoList(QDir::Files)) {
                QSet<QString> mirrored;
                std::optional<QString> mirrorTorn;
                QVERIFY2(readCalls(f.filePath(), &mirrored, &why, cut, true, &mirrorTorn),
                    qPrintable(why));
                if (mirrorTorn)
                    mirrored.remove(*mirrorTorn);
                ++mirrorChecked;
                for (const QString& c : std::as_const(mirrored))
                    mirrorAhead += !ever.contains(c);
            }
            lines = ParseLogFile(readAll(log)).lines.size();

            // Now and then the test leaves the log as such a kill would, so that every campaign
            // meets that state and the runs after it, not only when a kill lands inside a write.
            if (const QByteArray bytes = readAll(log);
                run % 25 == 12 && (bytes.isEmpty() || bytes.endsWith('\n'))) {
                QByteArray record;
                AppendFileRecord(record,
                    FormatLogLine("2m", "FM", "59001", QStringLiteral("VKCUT%1").arg(run), "Al",
                        "59001", "10:00:00", "08-15-2026", "1"));
                QFile file(log);
                QVERIFY(file.open(QIODevice::Append));
                file.write(record.left(1 + qsizetype(rng() % unsigned(record.size() - 2))));
                file.close();
                torn.reset();
                QVERIFY2(readCalls(log, &present, &why, cut, true, &torn), qPrintable(why));
                QVERIFY(torn.has_value());
                cut.insert(*torn);
                must = present;
                lines = ParseLogFile(readAll(log)).lines.size();
            }

            // A rewrite cut short leaves its new file, which the next run keeps aside: every
            // file in the folder reads, save the torn end of one cut short.
            for (const QFileInfo& f : QDir(dir.path()).entryInfoList(QDir::Files)) {
                const QString name = f.fileName();
                if (name == "QZVHF.LOG" || name == "QZVHF.BAK" || keptAside.contains(name))
                    continue; // read above, or kept aside and read when it was made
                if (!name.endsWith(".new"))
                    keptAside.insert(name);
                // (a backup's copy cut short stays under its temporary name, never read)
                const bool unfinished = name.endsWith(".new") || name.contains("-unfinished-")
                    || name.startsWith("QZVHF.BAK.");
                QSet<QString> keptCalls;
                QVERIFY2(
                    readCalls(f.filePath(), &keptCalls, &why, cut, unfinished), qPrintable(why));
            }
        }
        // The program itself loads what the last kill left: every line, nothing questioned.
        LogFileStore store;
        ContestSettings settings;
        settings.logFileName = log;
        settings.backupLogFileName = bak;
        LogBook book(store);
        ToldUi ui;
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(mirrorDir.path());
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(settings, ui) && book.loaded());
        QCOMPARE(book.lines().size(), lines);
        // ... and the mirror holds it whole once the log is loaded.
        QCOMPARE(ParseLogFile(readAll(copy)).lines, book.lines());
        const int mirrorKept
            = int(QDir(mirrorDir.path()).entryList({ "QZVHF.newer-*" }, QDir::Files).size());
        const QStringList loaded = callsOf(book.lines());
        QCOMPARE(QSet<QString>(loaded.begin(), loaded.end()), must);
        const int leftovers = int(keptAside.size());
        qInfo("crash campaign: %d kills (%d during a rewrite), %d steps told, %d contacts "
              "checked, %d backups checked, %d files kept aside, %d lost; %d mirror files "
              "checked, %d mirror copies kept aside as newer, %d mirrored contacts the log "
              "never held",
            kills, duringRewrite, steps, checked, bakChecked, leftovers, lost, mirrorChecked,
            mirrorKept, mirrorAhead);
        QCOMPARE(mirrorAhead, 0);
        QVERIFY2(lost == 0, qPrintable(lostCalls.mid(0, 10).join(' ')));
    }

    // Open (EACCES), write (ENOSPC, also after part of the bytes), sync (EIO) and rename
    // (EACCES, of the backup or of the new log) failures in every logbook write (append, edit,
    // delete, save, New Log), the CSV file and the settings file. Each is told, memory keeps every
    // contact, the file never holds half a line, and the next good contact puts the whole log on
    // disk.
    void writeFaults()
    {
        QTemporaryDir dir;
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        store.setSyncEnabled(true); // the sync fault needs the sync
        ContestSettings settings;
        settings.logFileName = dir.filePath("QZVHF.LOG");
        settings.backupLogFileName = dir.filePath("QZVHF.BAK");
        settings.callsign = "VK3XYZ";
        LogBook book(store);
        ToldUi ui;
        QVERIFY(book.LoadLogBook(settings, ui));
        std::mt19937 rng(1209);
        QStringList expected;
        int next = 0, faults = 0, untold = 0, lost = 0;
        auto record = [&](const QString& call) {
            ContactRecord r;
            r.callsign = call;
            r.band = "2m";
            r.mode = "FM";
            r.rstSent = "59001";
            r.rstReceived = "59001";
            r.name = "Al";
            r.time = "10:00:00";
            r.date = "08-15-2026";
            r.points = "1";
            return r;
        };
        auto append = [&] {
            const QString call = QStringLiteral("VK%1").arg(next++, 6, 10, QLatin1Char('0'));
            book.AppendContact(record(call), settings, ui);
            expected.append(call);
        };
        for (int i = 0; i < 10; ++i)
            append();
        bool FailingFileSystem::Faults::*const kinds[] = { &FailingFileSystem::Faults::open,
            &FailingFileSystem::Faults::write, &FailingFileSystem::Faults::sync,
            &FailingFileSystem::Faults::rename, &FailingFileSystem::Faults::replace };
        int partial = 0;
        for (int round = 0; round < 400; ++round) {
            // One in six: the disk fills part way through a record or a rewrite.
            if (const unsigned kind = rng() % 6; kind < 5)
                fs->faults().*kinds[kind] = true;
            else
                fs->faults().spaceLeft = rng() % 400;
            const int told = ui.told;
            const int row = int(rng() % unsigned(expected.size()));
            switch (rng() % 5) {
            case 0:
                append();
                break;
            case 1: {
                const QString call = QStringLiteral("VK%1").arg(next++, 6, 10, QLatin1Char('0'));
                book.ReplaceContact(record(call), row, settings, ui);
                expected[row] = call;
                break;
            }
            case 2:
                book.RemoveContact(row);
                expected.removeAt(row);
                SaveLog(settings, book, ui);
                break;
            case 3:
                SaveLog(settings, book, ui);
                break;
            default:
                if (NewLog(settings, book, ui))
                    expected.clear();
                break;
            }
            // Every failure is told, even a rename that leaves the rewrite to go on without its
            // backup; a disk that took part of a write gives back only whole lines.
            const int fired = fs->faults().fired;
            if (ui.told == told && (fired > 0 || !book.fileInStep()))
                ++untold;
            partial += fs->faults().spaceLeft >= 0 && fired > 0;
            faults += fired > 0;
            fs->faults() = {};
            QString why;
            QSet<QString> onDisk;
            QVERIFY2(readCalls(settings.logFileName, &onDisk, &why), qPrintable(why));
            // The e-mail's CSV file and the settings file, under a fault of their own that each
            // save meets (neither knows a rewrite's last step): refused with a reason, the earlier
            // file whole; written once the disk is good again.
            if (const unsigned kind = rng() % 5; kind < 4)
                fs->faults().*kinds[kind] = true;
            else
                fs->faults().spaceLeft = rng() % 8;
            const QString csv = dir.filePath("VK3XYZ_VHF.CSV");
            const QByteArray csvBefore = readAll(csv);
            QString error;
            if (WriteCsvFile(csv, { QStringLiteral("line %1").arg(round) }, &error, &store)
                || error.isEmpty() || readAll(csv) != csvBefore)
                ++untold;
            ProfileFile profile;
            profile.writeInteger("CONTEST", "Round", round);
            const QByteArray iniBefore = readAll(dir.filePath("DOVavoviv.ini"));
            error.clear();
            if (profile.save(dir.filePath("DOVavoviv.ini"), &error, &store) || error.isEmpty()
                || readAll(dir.filePath("DOVavoviv.ini")) != iniBefore)
                ++untold;
            fs->faults() = {};
            QVERIFY(WriteCsvFile(csv, { QStringLiteral("line %1").arg(round) }, &error, &store));
            QCOMPARE(readAll(csv), QStringLiteral("line %1\r\n").arg(round).toLatin1());
            QVERIFY(profile.save(dir.filePath("DOVavoviv.ini"), &error, &store));
            QCOMPARE(readAll(dir.filePath("DOVavoviv.ini")), profile.serialise());
            if (callsOf(book.lines()) != expected)
                ++lost; // memory must keep every contact, whatever the disk did
            append(); // the next good contact
            QVERIFY(book.fileInStep());
            QCOMPARE(callsOf(ParseLogFile(readAll(settings.logFileName)).lines), expected);
            // A start now finds the log and nothing a failure left behind to ask about.
            LogBook fresh(store);
            ToldUi freshUi;
            QVERIFY(fresh.LoadLogBook(settings, freshUi));
            QCOMPARE(callsOf(fresh.lines()), expected);
            QCOMPARE(freshUi.told, 0);
            if (expected.size() > 60) {
                QVERIFY(NewLog(settings, book, ui));
                expected.clear();
                append();
            }
        }
        qInfo("write-fault campaign: 400 rounds, %d faults met by a logbook write (%d with the "
              "disk full part way), 400 by the CSV file and by the settings file, %d failed "
              "writes untold, %d contacts lost",
            faults, partial, untold, lost);
        QCOMPARE(untold, 0);
        QCOMPARE(lost, 0);
    }
};

QTEST_GUILESS_MAIN(TestCrashes)
#include "tst_crashes.moc"
