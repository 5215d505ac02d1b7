#include <condition_variable>
#include <mutex>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>

#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogBook.h"
#include "LogFileCommands.h"
#include "LogLine.h"
#include "LogMirror.h"
#include "NullUi.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

QByteArray record(const char* call)
{
    QByteArray out;
    AppendFileRecord(out,
        FormatLogLine("2m", "FM", "59001", QString::fromLatin1(call), "Al", "59001", "10:00:00",
            "08-15-2026", "1"));
    return out + "\r\n";
}

ContactRecord contact(const QString& call)
{
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
}

// The log's word and the mirror's, in the order they were told.
struct StatusUi : NullUi
{
    QStringList statuses;
    void showStatus(const QString& t) override { statuses.append(t); }
    QStringList mirrorWords() const { return statuses.filter(QStringLiteral("  Mirror")); }
};

// The real disk, whose writes wait while the gate is shut: a share that hangs.
class GateFileSystem : public FailingFileSystem
{
public:
    ssize_t write(int fd, const void* bytes, size_t size) override
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_changed.notify_all();
        m_changed.wait(lock, [&] { return m_open; });
        lock.unlock();
        const ssize_t n = FailingFileSystem::write(fd, bytes, size);
        lock.lock();
        ++m_left;
        m_changed.notify_all();
        return n;
    }
    // Until `n` writes have passed the gate.
    void waitForPassed(int n)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_left >= n; });
    }
    void setOpen(bool on)
    {
        std::lock_guard lock(m_mutex);
        m_open = on;
        m_changed.notify_all();
    }
    // Until a write has come to the gate `n` times in all.
    void waitForWrites(int n)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_entered >= n; });
    }
    int writes()
    {
        std::lock_guard lock(m_mutex);
        return m_entered;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    int m_entered = 0;
    int m_left = 0;
};

} // namespace

class TestLogMirror : public QObject
{
    Q_OBJECT

    QTemporaryDir m_logDir;
    QTemporaryDir m_mirrorDir;
    ContestSettings m_settings;
    LogFileStore m_store;

    QString logPath() const { return m_logDir.filePath("QZVHF.LOG"); }
    QString copyPath() const { return m_mirrorDir.filePath("QZVHF.LOG"); }

    // The mirror's folder emptied, the log `bytes`.
    void startWith(const QByteArray& bytes)
    {
        for (const QString& dir : { m_logDir.path(), m_mirrorDir.path() })
            for (const QString& name : QDir(dir).entryList(QDir::Files))
                QFile::remove(QDir(dir).filePath(name));
        m_settings = ContestSettings();
        m_settings.logFileName = logPath();
        m_settings.backupLogFileName = m_logDir.filePath("QZVHF.BAK");
        m_settings.callsign = "VK3XYZ";
        QVERIFY(writeFile(logPath(), bytes));
    }

private Q_SLOTS:
    void refusal_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("refused");
        QTest::newRow("none") << QString() << false;
        QTest::newRow("the log's own folder") << "LOG" << true;
        QTest::newRow("the log's own folder, with a slash") << "LOG/" << true;
        QTest::newRow("a link to the log's own folder") << "LINK" << true;
        QTest::newRow("a folder whose copy is a link to the log") << "TRAP" << true;
        QTest::newRow("a folder of its own") << "MIRROR" << false;
        QTest::newRow("a folder that is not there") << "MISSING" << false;
        QTest::newRow("a file, not a folder") << "FILE" << true;
    }
    void refusal()
    {
        QFETCH(QString, folder);
        QFETCH(bool, refused);
        QTemporaryDir dir;
        const QString log = dir.filePath("logs/QZVHF.LOG");
        QVERIFY(QDir().mkpath(dir.filePath("logs")));
        QVERIFY(QDir().mkpath(dir.filePath("mirror")));
        QVERIFY(QDir().mkpath(dir.filePath("trap")));
        QVERIFY(writeFile(log, record("VK1AA")));
        QVERIFY(QFile::link(dir.filePath("logs"), dir.filePath("link")));
        QVERIFY(QFile::link(log, dir.filePath("trap/QZVHF.LOG")));
        QVERIFY(writeFile(dir.filePath("plain"), "x"));
        const QHash<QString, QString> places { { "LOG", dir.filePath("logs") },
            { "LOG/", dir.filePath("logs") + '/' }, { "LINK", dir.filePath("link") },
            { "TRAP", dir.filePath("trap") }, { "MIRROR", dir.filePath("mirror") },
            { "MISSING", dir.filePath("gone") }, { "FILE", dir.filePath("plain") } };
        folder = places.value(folder, folder);
        const QString reason = MirrorFolderRefusal(folder, log, dir.filePath("logs/QZVHF.BAK"));
        QCOMPARE(!reason.isEmpty(), refused);
    }

    void newer_data()
    {
        QTest::addColumn<QByteArray>("mirror");
        QTest::addColumn<qint64>("mirrorTime");
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<bool>("newer");
        const QByteArray a = record("VK1AA"), b = record("VK2BB"), c = record("VK3CC");
        QTest::newRow("the same, written after") << a + b << 2LL << a + b << false;
        QTest::newRow("fell behind") << a << 2LL << a + b << false;
        QTest::newRow("its last append cut short") << a + b.left(20) << 2LL << a + b << false;
        QTest::newRow("empty") << QByteArray() << 2LL << a << false;
        QTest::newRow("more contacts, written before") << a + b + c << 0LL << a + b << true;
        QTest::newRow("more contacts than an empty log") << a << 0LL << QByteArray() << true;
        QTest::newRow("other contacts, written after") << a + c << 2LL << a + b << true;
        // Not the log's, whatever its time: an edit the mirror missed is in the backup.
        QTest::newRow("other contacts, written before: an edit not mirrored")
            << a + c << 0LL << a + b << true;
    }
    void newer()
    {
        QFETCH(QByteArray, mirror);
        QFETCH(qint64, mirrorTime);
        QFETCH(QByteArray, log);
        QFETCH(bool, newer);
        QCOMPARE(MirrorIsNewer(mirror, mirrorTime, log, 1), newer);
    }

    void newerName()
    {
        QCOMPARE(NewerMirrorName("/m/QZVHF.LOG", QDateTime({ 2026, 8, 15 }, { 10, 15, 0 })),
            QStringLiteral("/m/QZVHF.newer-20260815-101500.LOG"));
    }

    // Appends, an edit, a deletion with its save, and a New Log: the mirror copy holds what the
    // log holds after each, and nothing about the mirror is told while it works.
    void mirrorsEveryWrite()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        book.AppendContact(contact("VK3CC"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        book.ReplaceContact(contact("VK4DD"), 0, m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        book.RemoveContact(1);
        QVERIFY(SaveLog(m_settings, book, ui));
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        QVERIFY(NewLog(m_settings, book, ui));
        book.AppendContact(contact("VK5EE"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), record("VK5EE"));
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        QCOMPARE(ui.mirrorWords(), QStringList());
        // Only the copy: no backup, nothing left under way.
        QCOMPARE(QDir(m_mirrorDir.path()).entryList(QDir::Files), QStringList { "QZVHF.LOG" });
    }

    // Each way a mirror's disk fails: the log is written and told first, the failure is told
    // once for the whole spell, the copy never holds half a line, and the first write once the
    // disk is good again puts the whole log there.
    void failingMirror_data()
    {
        QTest::addColumn<int>("kind");
        QTest::newRow("open") << 0;
        QTest::newRow("write") << 1;
        QTest::newRow("sync") << 2;
        QTest::newRow("the copy taking its name") << 3;
        QTest::newRow("the disk full part way") << 4;
    }
    void failingMirror()
    {
        QFETCH(int, kind);
        startWith(record("VK1AA"));
        auto fs = std::make_shared<FailingFileSystem>();
        LogMirror mirror(fs, LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        // After an edit the copy is rewritten whole; the appends after it append.
        book.ReplaceContact(contact("VK1AB"), 0, m_settings, ui);
        auto& f = fs->faults();
        f.open = kind == 0;
        f.write = kind == 1;
        f.sync = kind == 2;
        f.replace = kind == 3;
        f.spaceLeft = kind == 4 ? 30 : -1;
        for (int i = 0; i < 3; ++i) {
            ui.statuses.clear();
            book.AppendContact(contact(QStringLiteral("VK2B%1").arg(i)), m_settings, ui);
            if (kind == 3) // an append takes no new name: the first edit meets the fault
                book.ReplaceContact(contact(QStringLiteral("VK3C%1").arg(i)), 0, m_settings, ui);
            QVERIFY(book.fileInStep());
            QCOMPARE(ui.statuses.first(), QStringLiteral("  Writing LogBook to Disk..."));
            QVERIFY(ui.statuses.contains("  Written LogBook to Disk Okay..."));
            // Whole lines only: the log as it was before the fault, or a start of it.
            const QByteArray copy = readAll(copyPath());
            QVERIFY(kind == 3 || readAll(logPath()).startsWith(copy));
            QVERIFY(copy.endsWith("\r\n"));
            QVERIFY(!ParseLogFile(copy).tornLastLine && ParseLogFile(copy).problems.isEmpty());
            if (i == 0) {
                QCOMPARE(ui.mirrorWords().size(), 1);
                QVERIFY(ui.mirrorWords().first().startsWith("  Mirror not written: "));
                QVERIFY(ui.mirrorWords().first().endsWith("; retried at the next contact"));
                // The log's own word comes first.
                QVERIFY(ui.statuses.indexOf("  Written LogBook to Disk Okay...")
                    < ui.statuses.indexOf(ui.mirrorWords().first()));
            } else {
                QCOMPARE(ui.mirrorWords(), QStringList());
            }
            QVERIFY(fs->faults().fired > 0);
        }
        fs->faults() = {};
        ui.statuses.clear();
        book.AppendContact(contact("VK4DD"), m_settings, ui);
        QCOMPARE(ui.mirrorWords(), QStringList { "  Mirror written again" });
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        ui.statuses.clear();
        book.AppendContact(contact("VK5EE"), m_settings, ui);
        QCOMPARE(ui.mirrorWords(), QStringList());
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
    }

    // The stick pulled (its folder gone), then put back with the copy it had: told once, and
    // the copy is brought whole again at the next contact.
    void pulledStick()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        const QString folder = m_mirrorDir.filePath("stick");
        QVERIFY(QDir().mkpath(folder));
        mirror.setFolder(folder);
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        const QByteArray before = readAll(folder + "/QZVHF.LOG");
        QCOMPARE(before, readAll(logPath()));
        QVERIFY(QDir().rename(folder, m_mirrorDir.filePath("pulled")));
        book.AppendContact(contact("VK3CC"), m_settings, ui);
        book.AppendContact(contact("VK4DD"), m_settings, ui);
        QCOMPARE(ui.mirrorWords(),
            QStringList { QStringLiteral("  Mirror not written: the folder %1 is not there; "
                                         "retried at the next contact")
                              .arg(folder) });
        QVERIFY(!QFileInfo::exists(folder)); // never made on the mount point
        QVERIFY(QDir().rename(m_mirrorDir.filePath("pulled"), folder));
        QCOMPARE(readAll(folder + "/QZVHF.LOG"), before);
        ui.statuses.clear();
        book.AppendContact(contact("VK5EE"), m_settings, ui);
        QCOMPARE(ui.mirrorWords(), QStringList { "  Mirror written again" });
        QCOMPARE(readAll(folder + "/QZVHF.LOG"), readAll(logPath()));
        QCOMPARE(ParseLogFile(readAll(folder + "/QZVHF.LOG")).lines.size(), 5);
    }

    // A copy changed behind the mirror's back is rewritten whole, never appended to.
    void changedCopyRewrittenWhole()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        StatusUi ui;
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QVERIFY(writeFile(copyPath(), record("VK1AA") + "junk"));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
    }

    // At start-up: a copy that holds more, or other and later, contacts than the log is named
    // and kept aside whole; the log is loaded as it is, and the mirror goes on.
    void newerCopyKeptAside()
    {
        startWith(record("VK1AA") + record("VK2BB"));
        const QByteArray newer = record("VK1AA") + record("VK2BB") + record("VK9ZZ");
        QVERIFY(writeFile(copyPath(), newer));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(book.lines().size(), 2);
        QCOMPARE(readAll(logPath()), record("VK1AA") + record("VK2BB"));
        const QStringList kept
            = QDir(m_mirrorDir.path()).entryList({ "QZVHF.newer-*.LOG" }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_mirrorDir.filePath(kept.first())), newer);
        QCOMPARE(ui.mirrorWords(),
            QStringList { QStringLiteral("  Mirror copy %1 is newer than the log: it was not "
                                         "loaded; it is kept as %2")
                              .arg(copyPath(), m_mirrorDir.filePath(kept.first())) });
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
    }

    // A copy that is the log before its last rewrite (a deletion the mirror missed) is all in
    // the backup: no news, brought in step untold.
    void copyOfTheBackupIsNoNews()
    {
        startWith(record("VK1AA"));
        const QByteArray before = record("VK1AA") + record("VK2BB");
        QVERIFY(writeFile(m_settings.backupLogFileName, before));
        QVERIFY(writeFile(copyPath(), before));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(ui.mirrorWords(), QStringList());
        QCOMPARE(readAll(copyPath()), record("VK1AA"));
        QCOMPARE(QDir(m_mirrorDir.path()).entryList(QDir::Files), QStringList { "QZVHF.LOG" });
    }

    // ... and where it cannot be kept aside it is never written over.
    void newerCopyNeverOverwritten()
    {
        startWith(record("VK1AA"));
        const QByteArray newer = record("VK1AA") + record("VK9ZZ");
        QVERIFY(writeFile(copyPath(), newer));
        auto fs = std::make_shared<FailingFileSystem>();
        fs->faults().rename = true; // neither a link nor a rename: it cannot move
        LogMirror mirror(fs, LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        fs->faults() = {};
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        book.ReplaceContact(contact("VK3CC"), 0, m_settings, ui);
        QCOMPARE(ui.mirrorWords().size(), 1);
        QVERIFY(ui.mirrorWords().first().startsWith(
            QStringLiteral("  Mirror copy %1 is newer than the log: it was not loaded, and it "
                           "could not be kept aside (")
                .arg(copyPath())));
        QCOMPARE(readAll(copyPath()), newer);
        QCOMPARE(book.lines().size(), 2);
    }

    // A copy that fell behind (a run whose mirror failed) is no news: brought whole, untold.
    void staleCopyBroughtWhole()
    {
        startWith(record("VK1AA") + record("VK2BB"));
        QVERIFY(writeFile(copyPath(), record("VK1AA")));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        QCOMPARE(ui.mirrorWords(), QStringList());
        QCOMPARE(QDir(m_mirrorDir.path()).entryList(QDir::Files), QStringList { "QZVHF.LOG" });
    }

    // A log opened in the mirror folder itself: told, and nothing is written there by the
    // mirror.
    void refusedAtLoad()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_logDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(ui.mirrorWords().size(), 1);
        QVERIFY(ui.mirrorWords().first().startsWith(
            QStringLiteral("  Mirror folder %1 not used: ").arg(m_logDir.path())));
        QCOMPARE(ParseLogFile(readAll(logPath())).lines.size(), 2);
        QCOMPARE(QDir(m_logDir.path()).entryList(QDir::Files), QStringList { "QZVHF.LOG" });
    }

    // A share that hangs: every contact is on the log's disk and told while the mirror's write
    // waits; the contacts logged meanwhile reach the copy in one write of the newest log.
    void hungShareNeverDelaysLog()
    {
        startWith(record("VK1AA"));
        auto gate = std::make_shared<GateFileSystem>();
        LogMirror mirror(gate, LogMirror::Mode::Worker);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        gate->setOpen(false);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        gate->waitForWrites(1); // the first copy waits in its write
        for (int i = 0; i < 5; ++i) {
            ui.statuses.clear();
            book.AppendContact(contact(QStringLiteral("VK2B%1").arg(i)), m_settings, ui);
            QCOMPARE(ui.statuses.last(), QStringLiteral("  Written LogBook to Disk Okay..."));
        }
        QCOMPARE(ParseLogFile(readAll(logPath())).lines.size(), 6);
        QCOMPARE(gate->writes(), 1);
        gate->setOpen(true);
        mirror.waitIdle();
        mirror.deliver();
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        QCOMPARE(gate->writes(), 2); // the first state, then the newest
        QCOMPARE(ui.mirrorWords(), QStringList());
    }

    // Closing while the share hangs: the program is not held by it.
    void closingWithHungShare()
    {
        startWith(record("VK1AA"));
        auto gate = std::make_shared<GateFileSystem>();
        gate->setOpen(false);
        {
            LogMirror mirror(gate, LogMirror::Mode::Worker);
            mirror.setFolder(m_mirrorDir.path());
            mirror.logWritten(logPath(), m_settings.backupLogFileName, record("VK1AA"));
            gate->waitForWrites(1);
        }
        gate->setOpen(true); // the write left behind ends by itself
        gate->waitForPassed(1);
        QCOMPARE(readAll(logPath()), record("VK1AA"));
    }
    // The log opened (or saved) in the mirror folder under the name it had: the copy is then the
    // log itself, and the mirror must stop, as it does for a log named there from the start.
    // Written on, the mirror replaces the log file by its own rewrite: on its worker that races
    // the log's next append, and its save under way is the log's own ".new".
    void logMovedIntoTheMirrorFolderUnderItsName()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        // Open Log on the copy itself (the stick's copy after a lost disk, or Save As there).
        m_settings.logFileName = copyPath();
        m_settings.backupLogFileName = m_mirrorDir.filePath("QZVHF.BAK");
        // The load tells the mirror of the log too: the refusal is met there, told once.
        ui.statuses.clear();
        QVERIFY(book.LoadLogBook(m_settings, ui));
        struct stat before
        {
        };
        QCOMPARE(::stat(QFile::encodeName(copyPath()).constData(), &before), 0);
        book.AppendContact(contact("VK3CC"), m_settings, ui);
        struct stat after
        {
        };
        QCOMPARE(::stat(QFile::encodeName(copyPath()).constData(), &after), 0);
        QCOMPARE(ParseLogFile(readAll(copyPath())).lines.size(), 3);
        QCOMPARE(after.st_ino, before.st_ino); // the log's own file, appended to, not replaced
        QCOMPARE(ui.mirrorWords().size(), 1);
        QVERIFY(ui.mirrorWords().first().startsWith(
            QStringLiteral("  Mirror folder %1 not used: ").arg(m_mirrorDir.path())));
    }

    // A stick pulled and put back (or another stick in its place, holding a log of the same
    // name) is looked at again before it is written: a copy that now holds more contacts than
    // the log is kept aside, as at start-up, never rewritten over.
    void stickBackWithNewerCopyKeptAside()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        const QString folder = m_mirrorDir.filePath("stick2");
        QVERIFY(QDir().mkpath(folder));
        mirror.setFolder(folder);
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        const QString away = m_mirrorDir.filePath("away2");
        QVERIFY(QDir().rename(folder, away));
        book.AppendContact(contact("VK3CC"), m_settings, ui);
        // Elsewhere, the copy on the stick is logged on.
        const QByteArray elsewhere = record("VK1AA") + record("VK2BB") + record("VK7AA")
            + record("VK7BB") + record("VK7CC");
        QVERIFY(writeFile(away + "/QZVHF.LOG", elsewhere));
        QVERIFY(QDir().rename(away, folder));
        book.AppendContact(contact("VK4DD"), m_settings, ui);
        const QStringList kept = QDir(folder).entryList({ "QZVHF.newer-*.LOG" }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(QDir(folder).filePath(kept.first())), elsewhere);
    }

    // The log opened back where it was after it was refused in the mirror folder: the mirror
    // goes on, and what the folder holds (the log it had there) is looked at first, as at
    // start-up, so that the contacts logged there are kept aside.
    void logMovedBackOutOfTheMirrorFolder()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        const ContestSettings own = m_settings;
        m_settings.logFileName = copyPath();
        m_settings.backupLogFileName = m_mirrorDir.filePath("QZVHF.BAK");
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK8HH"), m_settings, ui);
        const QByteArray loggedThere = readAll(copyPath());
        QCOMPARE(ParseLogFile(loggedThere).lines.size(), 2);
        m_settings = own;
        QVERIFY(book.LoadLogBook(m_settings, ui));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        const QStringList kept
            = QDir(m_mirrorDir.path()).entryList({ "QZVHF.newer-*.LOG" }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_mirrorDir.filePath(kept.first())), loggedThere);
    }

    // A copy changed behind the mirror's back is never appended to: a start of the log is ours
    // gone stale, brought whole untold; other bytes are another's, kept aside first.
    void copyChangedBehindItsBack_data()
    {
        QTest::addColumn<QByteArray>("planted");
        QTest::addColumn<bool>("keptAside");
        QTest::newRow("other bytes of the same length") << record("VK9ZZ") << true;
        QTest::newRow("other bytes, longer") << record("VK9ZZ") + record("VK9YY") << true;
        QTest::newRow("cut back to a start of the log") << record("VK1AA").left(20) << false;
        QTest::newRow("emptied") << QByteArray() << false;
    }
    void copyChangedBehindItsBack()
    {
        QFETCH(QByteArray, planted);
        QFETCH(bool, keptAside);
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QVERIFY(writeFile(copyPath(), planted));
        ui.statuses.clear();
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
        const QStringList kept
            = QDir(m_mirrorDir.path()).entryList({ "QZVHF.newer-*.LOG" }, QDir::Files);
        QCOMPARE(kept.size(), keptAside ? 1 : 0);
        QCOMPARE(ui.mirrorWords().size(), keptAside ? 1 : 0);
        if (keptAside)
            QCOMPARE(readAll(m_mirrorDir.filePath(kept.first())), planted);
    }

    // A copy changed behind the mirror's back to other bytes of the same length (another
    // station's log of the same name, whose lines are as long) is rewritten whole, not appended
    // to: the copy must be the log.
    void sameSizeChangedCopyRewrittenWhole()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        StatusUi ui;
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(record("VK9ZZ").size(), record("VK1AA").size());
        QVERIFY(writeFile(copyPath(), record("VK9ZZ")));
        book.AppendContact(contact("VK2BB"), m_settings, ui);
        QCOMPARE(readAll(copyPath()), readAll(logPath()));
    }
    // At start-up, a copy of other contacts that is older than the log and not in its backup
    // (a stick from another station whose log has the same name) holds contacts the log never
    // had: it is kept aside, not rewritten over because the log was written later.
    void olderCopyOfOtherContactsKeptAside()
    {
        const QByteArray other = record("VK7AA") + record("VK7BB");
        startWith(QByteArray());
        QVERIFY(writeFile(copyPath(), other));
        QFile copy(copyPath());
        QVERIFY(copy.open(QIODevice::ReadWrite));
        QVERIFY(copy.setFileTime(
            QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
        copy.close();
        QVERIFY(writeFile(logPath(), record("VK1AA") + record("VK2BB") + record("VK3CC")));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(m_mirrorDir.path());
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        const QStringList kept
            = QDir(m_mirrorDir.path()).entryList({ "QZVHF.newer-*.LOG" }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_mirrorDir.filePath(kept.first())), other);
    }
    // A mirror folder that is a file: the word says what is wrong with it, not that it is
    // missing (the operator would look for a pulled stick).
    void folderThatIsAFileToldAsSuch()
    {
        startWith(record("VK1AA"));
        const QString notAFolder = m_mirrorDir.filePath("plainfile");
        QVERIFY(writeFile(notAFolder, "x"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Inline);
        mirror.setFolder(notAFolder);
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        LogBook book(m_store);
        book.setWriteListener(&mirror);
        QVERIFY(book.LoadLogBook(m_settings, ui));
        QCOMPARE(ui.mirrorWords().size(), 1);
        QVERIFY2(!ui.mirrorWords().first().contains(QStringLiteral("is not there")),
            qPrintable(ui.mirrorWords().first()));
        QCOMPARE(readAll(notAFolder), QByteArray("x"));
    }
    // The word of a write to a folder given up arrives after the new folder is set: it is not
    // about the mirror now in use, and the new folder's first write is no "again".
    void wordOfAnOldFolderNotToldForTheNewOne()
    {
        startWith(record("VK1AA"));
        LogMirror mirror(std::make_shared<PosixFileSystem>(), LogMirror::Mode::Worker);
        StatusUi ui;
        mirror.setTell([&](const QString& t) { ui.showStatus(t); });
        mirror.setFolder(m_mirrorDir.filePath("gone"));
        mirror.logWritten(logPath(), m_settings.backupLogFileName, record("VK1AA"));
        mirror.waitIdle();
        // The operator picks another folder before the window has heard of the failure.
        mirror.setFolder(m_mirrorDir.path());
        mirror.logWritten(logPath(), m_settings.backupLogFileName, record("VK1AA"));
        mirror.waitIdle();
        mirror.deliver();
        QCOMPARE(readAll(copyPath()), record("VK1AA"));
        QCOMPARE(ui.mirrorWords(), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestLogMirror)
#include "tst_logmirror.moc"
