#include <cerrno>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogBook.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "NullUi.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

const QByteArray rec1
    = "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"";
const QByteArray rec2
    = "\"08-15-2026\",\"09:20\",\"70cm\",\"CW\",\"ZL2XY\",\"59902\",\"599003\",2,\"Ann\"";

} // namespace

class TestLogFileStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void init()
    {
        for (const char* n : { "QZVHF.LOG", "QZVHF.BAK", "QZVHF.LOG.new", "OUT.ADI" })
            QFile::remove(path(n));
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        QTest::addColumn<bool>("torn");
        QTest::addColumn<QList<int>>("badLines");
        QTest::newRow("crlf") << rec1 + "\r\n" + rec2 + "\r\n" << 2 << false << QList<int> {};
        QTest::newRow("lf only") << rec1 + "\n" + rec2 + "\n" << 2 << false << QList<int> {};
        QTest::newRow("cr only") << rec1 + "\r" + rec2 + "\r" << 2 << false << QList<int> {};
        QTest::newRow("lone crs, then an lf")
            << rec1 + "\r" + rec2 + "\r\r" + rec1 + "\n" + rec2 + "\r\n" + rec1 + "\r" << 5 << false
            << QList<int> {};
        // Told once, as a torn line: never a second box for its points.
        QTest::newRow("torn last line is kept")
            << rec1 + "\r\n" + rec2.left(30) << 2 << true << QList<int> {};
        QTest::newRow("blank lines hold no contact") << "\r\n" + rec1 + "\r\n   \r\n\r\n" + rec2
                + "\r\n" << 2 << false << QList<int> {};
        QTest::newRow("bad points do not stop the load") << rec1
                + "\r\n\"08-15-2026\",\"09:15\",\"2m\",\"FM\",\"VK3X\",\"59002\",\"59\",x,"
                  "\"Bo\"\r\n"
                + rec2 + "\r\n" << 3 << false << QList<int> { 2 };
        QTest::newRow("empty file") << QByteArray() << 0 << false << QList<int> {};
        QTest::newRow("binary bytes") << QByteArray("\x00\x01\xff,\x80\r\n", 7) + rec1 + "\r\n"
                                      << 2 << false << QList<int> { 1 };
        QTest::newRow("a line of 100000 characters")
            << rec1 + "\r\n" + QByteArray(100000, 'A') + "\r\n" + rec2 + "\r\n"
            << 3 << false << QList<int> { 2 };
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QFETCH(bool, torn);
        QFETCH(QList<int>, badLines);
        const LoadedLog log = ParseLogFile(bytes);
        QCOMPARE(log.lines.size(), lines);
        QCOMPARE(log.tornLastLine, torn);
        QList<int> bad;
        for (const LoadProblem& p : log.problems) {
            if (p.kind == LoadProblem::BadPoints)
                bad.append(p.lineNumber);
        }
        QCOMPARE(bad, badLines);
        for (const QString& line : log.lines)
            QVERIFY(line.size() < 200); // over-long fields are cut to their columns
    }

    void parsedLinesWriteBackTheSameRecords()
    {
        const LoadedLog log = ParseLogFile(rec1 + "\r\n" + rec2 + "\n");
        QCOMPARE(LogLineToFileRecord(log.lines.at(0)).toLatin1(), rec1);
        QCOMPARE(LogLineToFileRecord(log.lines.at(1)).toLatin1(), rec2);
    }

    void state()
    {
        LogFileStore store;
        QCOMPARE(store.state(path("QZVHF.LOG")), LogFileStore::State::Missing);
        QVERIFY(writeFile(path("QZVHF.LOG"), {}));
        QCOMPARE(store.state(path("QZVHF.LOG")), LogFileStore::State::Empty);
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1));
        QCOMPARE(store.state(path("QZVHF.LOG")), LogFileStore::State::Populated);
    }

    void appendStartsOnANewLine_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("empty") << QByteArray() << rec2 + "\r\n";
        QTest::newRow("whole lines") << rec1 + "\r\n" << rec1 + "\r\n" + rec2 + "\r\n";
        QTest::newRow("torn line") << rec1.left(20) << rec1.left(20) + "\r\n" + rec2 + "\r\n";
        QTest::newRow("torn inside the line end") << rec1 + "\r" << rec1 + "\r\n" + rec2 + "\r\n";
    }

    void appendStartsOnANewLine()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QVERIFY(writeFile(path("QZVHF.LOG"), before));
        LogFileStore store;
        QString error;
        QVERIFY(store.append(path("QZVHF.LOG"), rec2 + "\r\n", &error));
        QCOMPARE(readAll(path("QZVHF.LOG")), after);
        QCOMPARE(
            ParseLogFile(after).lines.constLast(), FileRecordToLogLine(QString::fromLatin1(rec2)));
    }

    void appendFailures_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("open") << 0;
        QTest::newRow("write") << 1;
        QTest::newRow("sync") << 2;
    }

    // A failed append reports failure and leaves only whole records in the file.
    void appendFailures()
    {
        QFETCH(int, fault);
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1 + "\r\n"));
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        fs->faults().open = fault == 0;
        fs->faults().write = fault == 1;
        fs->faults().sync = fault == 2;
        QString error;
        QVERIFY(!store.append(path("QZVHF.LOG"), rec2 + "\r\n", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path("QZVHF.LOG")), rec1 + "\r\n");
    }

    void appendToMissingFileFails()
    {
        LogFileStore store;
        QString error;
        QVERIFY(!store.append(path("QZVHF.LOG"), rec1 + "\r\n", &error));
        QCOMPARE(store.state(path("QZVHF.LOG")), LogFileStore::State::Missing);
    }

    void rewriteRotatesTheBackup()
    {
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1 + "\r\n"));
        QVERIFY(writeFile(path("QZVHF.BAK"), "old backup\r\n"));
        LogFileStore store;
        int renameErrno = -1;
        QString error;
        QVERIFY(store.rewrite(
            path("QZVHF.LOG"), path("QZVHF.BAK"), rec2 + "\r\n", &renameErrno, &error));
        QCOMPARE(renameErrno, 0);
        QCOMPARE(readAll(path("QZVHF.LOG")), rec2 + "\r\n");
        QCOMPARE(readAll(path("QZVHF.BAK")), rec1 + "\r\n");
        QVERIFY(!QFile::exists(path("QZVHF.LOG.new")));

        // The backup is a copy of its own: appending to the log leaves it alone.
        QVERIFY(store.append(path("QZVHF.LOG"), rec1 + "\r\n", &error));
        QCOMPARE(readAll(path("QZVHF.BAK")), rec1 + "\r\n");
    }

    void rewriteWithoutAnOldLog()
    {
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        int renameErrno = -1;
        QVERIFY(store.rewrite(
            path("QZVHF.LOG"), path("QZVHF.BAK"), rec1 + "\r\n", &renameErrno, nullptr));
        QCOMPARE(renameErrno, 0);
        QCOMPARE(readAll(path("QZVHF.LOG")), rec1 + "\r\n");
        QVERIFY(!QFile::exists(path("QZVHF.BAK")));
        // With no log left, a new one that cannot take the name is the only copy on disk: it
        // stays for the start-up to offer.
        QVERIFY(QFile::remove(path("QZVHF.LOG")));
        fs->faults().replace = true;
        QVERIFY(!store.rewrite(
            path("QZVHF.LOG"), path("QZVHF.BAK"), rec2 + "\r\n", &renameErrno, nullptr));
        QCOMPARE(readAll(path("QZVHF.LOG.new")), rec2 + "\r\n");
    }

    void rewriteFailureKeepsBothFiles_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("open") << 0;
        QTest::newRow("write (disk full)") << 1;
        QTest::newRow("sync") << 2;
    }

    void rewriteFailureKeepsBothFiles()
    {
        QFETCH(int, fault);
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1 + "\r\n" + rec2 + "\r\n"));
        QVERIFY(writeFile(path("QZVHF.BAK"), rec1 + "\r\n"));
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        fs->faults().open = fault == 0;
        fs->faults().write = fault == 1;
        fs->faults().sync = fault == 2;
        QString error;
        QVERIFY(
            !store.rewrite(path("QZVHF.LOG"), path("QZVHF.BAK"), rec2 + "\r\n", nullptr, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path("QZVHF.LOG")), rec1 + "\r\n" + rec2 + "\r\n");
        QCOMPARE(readAll(path("QZVHF.BAK")), rec1 + "\r\n");
        QVERIFY(!QFile::exists(path("QZVHF.LOG.new")));
    }

    void renameFailureStillWritesTheLog()
    {
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1 + "\r\n"));
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        fs->faults().rename = true;
        int renameErrno = 0;
        QVERIFY(store.rewrite(
            path("QZVHF.LOG"), path("QZVHF.BAK"), rec2 + "\r\n", &renameErrno, nullptr));
        QVERIFY(renameErrno != 0);
        QCOMPARE(readAll(path("QZVHF.LOG")), rec2 + "\r\n");
        // Without hard links the backup is a copy: a disk too full for it is told as full.
        fs->faults() = {};
        fs->faults().link = true;
        fs->faults().spaceLeft = rec1.size() + 2;
        QVERIFY(store.rewrite(
            path("QZVHF.LOG"), path("QZVHF.BAK"), rec1 + "\r\n", &renameErrno, nullptr));
        QCOMPARE(renameErrno, ENOSPC);
        QCOMPARE(readAll(path("QZVHF.LOG")), rec1 + "\r\n");
    }

    // A crash after each step of a rewrite, with hard links or with copies (a FAT stick), and
    // a failure of its last rename: the log stays whole, a backup is always there, and the
    // next start loads the log as it was; the next rewrite then finishes the rotation.
    void rewriteStoppedAtEachStep_data()
    {
        QTest::addColumn<int>("halt");
        QTest::addColumn<bool>("links");
        QTest::addColumn<bool>("bakIsOldLog");
        for (const bool links : { true, false }) {
            const char* how = links ? "links" : "copies";
            QTest::addRow("%s: new log written", how) << 1 << links << false;
            QTest::addRow("%s: backup made under its own name", how) << 2 << links << false;
            QTest::addRow("%s: backup renamed", how) << 3 << links << true;
            QTest::addRow("%s: last rename fails", how) << 0 << links << true;
        }
    }

    void rewriteStoppedAtEachStep()
    {
        QFETCH(int, halt);
        QFETCH(bool, links);
        QFETCH(bool, bakIsOldLog);
        const QByteArray oldLog = rec1 + "\r\n" + rec2 + "\r\n", oldBak = rec1 + "\r\n";
        QVERIFY(writeFile(path("QZVHF.LOG"), oldLog));
        QVERIFY(writeFile(path("QZVHF.BAK"), oldBak));
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs);
        fs->faults().link = !links;
        fs->faults().haltAfter = halt;
        fs->faults().replace = halt == 0;
        QVERIFY(!store.rewrite(path("QZVHF.LOG"), path("QZVHF.BAK"), rec2 + "\r\n", nullptr,
            nullptr, LogFileStore::Backup::Required));
        QCOMPARE(readAll(path("QZVHF.LOG")), oldLog);
        QCOMPARE(readAll(path("QZVHF.BAK")), bakIsOldLog ? oldLog : oldBak);
        QCOMPARE(QFile::exists(path("QZVHF.LOG.new")), halt != 0); // a failure cleans up

        ContestSettings settings;
        settings.logFileName = path("QZVHF.LOG");
        settings.backupLogFileName = path("QZVHF.BAK");
        fs->faults() = {};
        fs->faults().link = !links;
        LogBook book(store);
        NullUi ui;
        QVERIFY(book.LoadLogBook(settings, ui) && book.loaded());
        QCOMPARE(book.lines().size(), 2);
        QVERIFY(book.WriteLogBook(settings, ui));
        QCOMPARE(readAll(path("QZVHF.BAK")), oldLog);
        for (const QFileInfo& f : QDir(m_dir.path()).entryInfoList(QDir::Files)) {
            QVERIFY2(
                ParseLogFile(readAll(f.filePath())).problems.isEmpty(), qPrintable(f.fileName()));
            if (f.fileName() != "QZVHF.LOG" && f.fileName() != "QZVHF.BAK")
                QFile::remove(f.filePath()); // what a crash left, kept aside at the start
        }
    }

    // No file is written into a FIFO or a device or takes its place, reached by its name or
    // through a link, and none is waited for: the log's reads, appends and rewrites, and the
    // files written whole (the settings, the exports, the CSV).
    void onlyRegularFilesAreWritten()
    {
        QTemporaryDir dir;
        QCOMPARE(::mkfifo(QFile::encodeName(dir.filePath("fifo")).constData(), 0644), 0);
        QVERIFY(QFile::link(dir.filePath("fifo"), dir.filePath("link")));
        LogFileStore store;
        for (const char* name : { "fifo", "link" }) {
            const QString at = dir.filePath(name);
            LogFileStore::StreamedFile file(store, at);
            QString error;
            if (file.open(&error)) {
                file.write("x");
                QVERIFY(!file.commit(&error));
            }
            QCOMPARE(error, NotRegularFileReason());
            QCOMPARE(store.state(at), LogFileStore::State::NotRegular);
            error.clear();
            QVERIFY(!store.append(at, "x\r\n", &error, true));
            QCOMPARE(error, NotRegularFileReason());
            error.clear();
            QVERIFY(!store.rewrite(at, dir.filePath("bak"), "x\r\n", nullptr, &error));
            QCOMPARE(error, NotRegularFileReason());
            QByteArray bytes;
            QVERIFY(!store.read(at, &bytes, &error));
        }
        QCOMPARE(QFileInfo(dir.filePath("fifo")).isFile(), false); // still the FIFO
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System).size(), 2);
    }

    void streamedFileHasAnOrdinaryMode_data()
    {
        QTest::addColumn<int>("mask");
        QTest::newRow("shared") << 022;
        QTest::newRow("private") << 077;
        QTest::newRow("group writes") << 002;
    }

    // A file written whole is as any new file the user makes, not private to the temporary
    // name it was written under.
    void streamedFileHasAnOrdinaryMode()
    {
        QFETCH(int, mask);
        const mode_t before = ::umask(mode_t(mask));
        LogFileStore store;
        LogFileStore::StreamedFile file(store, path("OUT.ADI"));
        QString error;
        const bool written = file.open(&error) && (file.write("x"), file.commit(&error));
        ::umask(before);
        QVERIFY2(written, qPrintable(error));
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(path("OUT.ADI")).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0666 & ~mask);
    }

    // A backup name equal to the log name must not delete the log before the rewrite.
    void backupNamedLikeTheLog()
    {
        QVERIFY(writeFile(path("QZVHF.LOG"), rec1 + "\r\n"));
        LogFileStore store;
        QVERIFY(
            store.rewrite(path("QZVHF.LOG"), path("QZVHF.LOG"), rec2 + "\r\n", nullptr, nullptr));
        QCOMPARE(readAll(path("QZVHF.LOG")), rec2 + "\r\n");
    }
};

QTEST_GUILESS_MAIN(TestLogFileStore)
#include "tst_logfilestore.moc"
