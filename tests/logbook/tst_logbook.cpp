#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogBook.h"
#include "LogFileCommands.h"
#include "LogFiles.h"
#include "LogLine.h"
#include "NullUi.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

const QByteArray rec1
    = "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"\r\n";
const QByteArray rec2
    = "\"08-15-2026\",\"09:20\",\"70cm\",\"CW\",\"ZL2XY\",\"59902\",\"599003\",2,\"Ann\"\r\n";

// Records what the logbook shows, in order.
struct RecordingUi : NullUi
{
    QStringList statuses;
    QStringList messages;
    int cues = 0;
    QString band, mode, points;
    int total = -1;
    int serial = -1;
    bool settingsRequested = false;
    int nameChanges = 0;

    void showStatus(const QString& t) override { statuses.append(t); }
    void showMessage(const QString& t) override { messages.append(t); }
    void errorCue() override { ++cues; }
    void showEntryBandMode(const QString& b, const QString& m) override { band = b, mode = m; }
    void showEntryPoints(const QString& p) override { points = p; }
    void showRunningTotal(qint64 t) override { total = static_cast<int>(t); }
    void showNextSerial(int s) override { serial = s; }
    void requestSettingsDialog() override { settingsRequested = true; }
    void logFileNameChanged() override { ++nameChanges; }
};

ContactRecord contact(const char* call, const char* name = "Bob", const char* rstSent = "59003")
{
    ContactRecord r;
    r.date = QStringLiteral("08-15-2026");
    r.time = QStringLiteral("10:01:33");
    r.callsign = QString::fromLatin1(call);
    r.name = QString::fromLatin1(name);
    r.rstSent = QString::fromLatin1(rstSent);
    r.rstReceived = QStringLiteral("59007");
    r.band = QStringLiteral("2m");
    r.mode = QStringLiteral("FM");
    r.points = QStringLiteral("1");
    return r;
}

} // namespace

class TestLogBook : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    ContestSettings m_settings;
    std::shared_ptr<FailingFileSystem> m_fs;
    LogFileStore m_store;

    QString logPath() const { return m_dir.filePath(QStringLiteral("QZVHF.LOG")); }
    QString bakPath() const { return m_dir.filePath(QStringLiteral("QZVHF.BAK")); }

private Q_SLOTS:
    void init()
    {
        QFile::remove(logPath());
        QFile::remove(bakPath());
        for (const QString& rescue : QDir(m_dir.path()).entryList({ "QZVHF-*.LOG" }))
            QFile::remove(m_dir.filePath(rescue));
        m_settings = ContestSettings();
        m_settings.logFileName = logPath();
        m_settings.backupLogFileName = bakPath();
        m_fs = std::make_shared<FailingFileSystem>();
        m_store = LogFileStore(m_fs);
        m_store.setSyncEnabled(false);
    }

    void loadMissingCreatesTheLog()
    {
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QCOMPARE(ui.messages,
            QStringList {
                " A LogBook has not yet been created for this contest! \r Please select the "
                "default settings for a new one.    " });
        QCOMPARE(ui.cues, 1);
        QCOMPARE(readAll(logPath()), QByteArray());
        QCOMPARE(ui.band + ui.mode, QStringLiteral("2mFM"));
        QVERIFY(ui.settingsRequested);
        QCOMPARE(ui.serial, 1);
        QCOMPARE(ui.statuses.constLast(), QStringLiteral("  LogBook Ready..."));
    }

    void loadEmpty_data()
    {
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<int>("messages");
        QTest::newRow("MYCALL") << "MYCALL" << 1;
        QTest::newRow("a real callsign") << "VK6ABC" << 0;
    }

    void loadEmpty()
    {
        QFETCH(QString, callsign);
        QFETCH(int, messages);
        writeFile(logPath(), {});
        m_settings.callsign = callsign;
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QCOMPARE(ui.messages.size(), messages);
        if (messages)
            QVERIFY(ui.messages.first().startsWith(" Please check your callsign"));
        QVERIFY(ui.settingsRequested);
        QCOMPARE(ui.band + ui.mode, QStringLiteral("2mFM"));
    }

    void loadPopulated()
    {
        writeFile(logPath(), rec1 + rec2);
        LogBook book(m_store);
        book.setRunningTotal(0);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QVERIFY(ui.messages.isEmpty());
        QCOMPARE(book.rowCount(), 2);
        QCOMPARE(ui.total, 3);
        QCOMPARE(ui.serial, 903); // "59902": its last three characters, plus one
        QCOMPARE(ui.band, QStringLiteral("70cm ")); // padded as in the line
        QCOMPARE(ui.mode, QStringLiteral("CW    "));
        QCOMPARE(ui.points, QStringLiteral("2"));
        QVERIFY(!ui.settingsRequested);
        QCOMPARE(ui.statuses,
            (QStringList { "  Loading LogBook....... PLEASE WAIT.", "  LogBook Ready..." }));
    }

    void loadTellsOfDamage_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("messageStart");
        QTest::addColumn<int>("lines");
        QTest::newRow("torn last line")
            << rec1 + rec2.left(40) << " The last line of the LogBook" << 2;
        QTest::newRow("bad points")
            << rec1 + "\"08-15-2026\",\"09:15\",\"2m\",\"FM\",\"VK3X\",\"59002\",\"59\",,\"Bo\"\r\n"
                + rec2
            << " 1 line(s) of the LogBook have no valid points: \r line 2 " << 3;
    }

    void loadTellsOfDamage()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, messageStart);
        QFETCH(int, lines);
        writeFile(logPath(), bytes);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QCOMPARE(book.rowCount(), lines);
        QVERIFY2(!ui.messages.isEmpty() && ui.messages.first().startsWith(messageStart),
            qPrintable(ui.messages.join(QLatin1Char('|'))));
        QCOMPARE(readAll(logPath()), bytes); // nothing is dropped from the file
        QCOMPARE(ui.statuses.constLast(), QStringLiteral("  LogBook Ready..."));
    }

    // After a torn load, the next contact lands on a line of its own and a reload finds all.
    void appendAfterTornLine()
    {
        writeFile(logPath(), rec1 + rec2.left(40));
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        book.AppendContact(contact("VK2XYZ"), m_settings, ui);
        LogBook again(m_store);
        RecordingUi ui2;
        again.LoadLogBook(m_settings, ui2);
        QCOMPARE(again.lines(), book.lines());
        QCOMPARE(ParseLogLine(again.lines().constLast()).callsign, QStringLiteral("VK2XYZ"));
    }

    void loadBackupBecomesLog()
    {
        writeFile(bakPath(), rec1 + rec2);
        writeFile(logPath(), "older log\r\n");
        m_settings.logFileName = bakPath();
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QCOMPARE(ui.messages.first(),
            QStringLiteral(
                " You are about to load a backup LogBook. \r The backup will become a new "
                "contest logbook \r and the filename will become *.LOG"));
        QCOMPARE(m_settings.logFileName, logPath());
        QCOMPARE(ui.nameChanges, 1);
        QCOMPARE(readAll(logPath()), rec1 + rec2);
        // The log it replaced is kept aside, out of the rotation, and the operator is told.
        const QStringList kept
            = QDir(m_dir.path()).entryList({ QStringLiteral("QZVHF-replaced-*.LOG") });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_dir.filePath(kept.first())), QByteArray("older log\r\n"));
        QVERIFY(ui.messages.last().contains(kept.first()));
        book.WriteLogBook(m_settings, ui);
        QCOMPARE(readAll(m_dir.filePath(kept.first())), QByteArray("older log\r\n"));
    }

    void appendWritesOneRecord()
    {
        writeFile(logPath(), rec1);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        ui.statuses.clear();
        book.AppendContact(contact("VK2XYZ", "Jo Ann"), m_settings, ui);
        QCOMPARE(readAll(logPath()),
            rec1
                + "\"08-15-2026\",\"10:01\",\"2m\",\"FM\",\"VK2XYZ\",\"59003\",\"59007\",1,"
                  "\"JoAnn\"\r\n");
        QCOMPARE(ui.statuses,
            (QStringList { "  Writing LogBook to Disk...", "  Written LogBook to Disk Okay..." }));
        QCOMPARE(ui.total, 2);
        QCOMPARE(book.rowCount(), 2);
        // The list shows the name as the file holds it, not only after the next start.
        QCOMPARE(book.lines().last(), ParseLogFile(readAll(logPath())).lines.last());
        QVERIFY(!QFile::exists(bakPath()));
    }

    void appendCutsALongSentReport()
    {
        writeFile(logPath(), {});
        m_settings.callsign = QStringLiteral("VK6ABC");
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        book.AppendContact(contact("VK2XYZ", "Bob", "5 9 0 0 3 4 5 6"), m_settings, ui);
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(
            ui.messages.first().startsWith("   Error in RST Sent - more than 6 characters!  \r"));
        QCOMPARE(ParseLogLine(book.lines().constLast()).rstSent, QStringLiteral("590034"));
    }

    // A failed write is never shown as success, and the next good write brings the file back.
    void failedAppendIsToldAndMended()
    {
        writeFile(logPath(), rec1);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        ui.statuses.clear();
        m_fs->faults().write = true;
        book.AppendContact(contact("VK2AAA"), m_settings, ui);
        QCOMPARE(book.rowCount(), 2); // kept in memory
        QVERIFY(!book.fileInStep());
        QVERIFY(!ui.statuses.contains("  Written LogBook to Disk Okay..."));
        QVERIFY(ui.statuses.constLast().contains("FAILED"));
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages.first().contains(logPath()));
        QVERIFY(ui.messages.first().contains("kept in memory"));
        QCOMPARE(readAll(logPath()), rec1);

        m_fs->faults().write = false;
        book.AppendContact(contact("VK2BBB"), m_settings, ui);
        QVERIFY(book.fileInStep());
        QCOMPARE(ui.statuses.constLast(), QStringLiteral("  Written LogBook to Disk Okay..."));
        LogBook again(m_store);
        RecordingUi ui2;
        again.LoadLogBook(m_settings, ui2);
        QCOMPARE(again.lines(), book.lines());
    }

    void appendToAVanishedLogWritesItWhole()
    {
        writeFile(logPath(), rec1);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QFile::remove(logPath());
        book.AppendContact(contact("VK2AAA"), m_settings, ui);
        QCOMPARE(ParseLogFile(readAll(logPath())).lines, book.lines());
    }

    void appendsLeaveTheBackupAlone_replaceRotatesIt()
    {
        writeFile(logPath(), rec1);
        writeFile(bakPath(), "backup\r\n");
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        for (const char* call : { "VK2AAA", "VK2BBB", "VK2CCC" })
            book.AppendContact(contact(call), m_settings, ui);
        QCOMPARE(readAll(bakPath()), QByteArray("backup\r\n"));

        const QByteArray beforeEdit = readAll(logPath());
        ContactRecord edited = contact("VK2BBX", "Edited", "  59002");
        book.ReplaceContact(edited, 2, m_settings, ui);
        QCOMPARE(readAll(bakPath()), beforeEdit);
        QCOMPARE(ParseLogLine(book.lines().at(2)).callsign, QStringLiteral("VK2BBX"));
        QCOMPARE(ParseLogFile(readAll(logPath())).lines, book.lines());
        QCOMPARE(ui.total, 4);
    }

    // The File menu's commands, each checked on the files they leave.
    void fileCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("new") << "new";
        QTest::newRow("new twice") << "new new";
        QTest::newRow("new, without hard links") << "new copies";
        QTest::newRow("save") << "save";
        QTest::newRow("save as") << "saveas";
        QTest::newRow("open missing") << "openmissing";
        QTest::newRow("open backup") << "openbak";
        QTest::newRow("new, backup cannot be made") << "newblocked";
        QTest::newRow("new, the empty log cannot take the name") << "newreplace";
        QTest::newRow("save as, the log's backup name") << "saveasstem";
    }
    void fileCommands()
    {
        QFETCH(QString, command);
        writeFile(logPath(), rec1 + rec2);
        writeFile(bakPath(), "older\r\n");
        const QString copy = m_dir.filePath(QStringLiteral("COPY.LOG"));
        const QString copyBak = m_dir.filePath(QStringLiteral("COPY.BAK"));
        writeFile(copyBak, "not ours\r\n");
        LogBook book(m_store);
        RecordingUi ui;
        LogLock lock;
        book.LoadLogBook(m_settings, ui);
        ui.messages.clear();

        if (command == "newblocked") {
            // The contacts were promised to the backup: without one, nothing is emptied.
            QFile::remove(bakPath());
            QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("QZVHF.BAK")));
            QVERIFY(!NewLog(m_settings, book, ui));
            QCOMPARE(book.rowCount(), 2);
            QCOMPARE(readAll(logPath()), rec1 + rec2);
            QVERIFY(ui.messages.last().startsWith(" No new LogBook: "));
            QDir(m_dir.path()).rmdir(QStringLiteral("QZVHF.BAK"));
        } else if (command == "newreplace") {
            // The backup is made by then: the message must not say it could not be.
            m_fs->faults().replace = true;
            QVERIFY(!NewLog(m_settings, book, ui));
            m_fs->faults() = {};
            QCOMPARE(book.rowCount(), 2);
            QCOMPARE(readAll(logPath()), rec1 + rec2);
            QCOMPARE(readAll(bakPath()), rec1 + rec2);
            QVERIFY(ui.messages.last().startsWith(" No new LogBook: the new, empty "));
            QVERIFY(!QFile::exists(logPath() + ".new"));
        } else if (command == "saveasstem") {
            // QZVHF.TXT's backup name is the log's own backup: the copy leaves it alone.
            const QString txt = m_dir.filePath(QStringLiteral("QZVHF.TXT"));
            writeFile(txt, "notes\r\n");
            QVERIFY(SaveLogAs(txt, m_settings, book, ui));
            QCOMPARE(readAll(txt), rec1 + rec2);
            QCOMPARE(readAll(bakPath()), QByteArray("older\r\n"));
            QFile::remove(txt);
        } else if (command.startsWith("new")) {
            m_fs->faults().link = command.endsWith("copies");
            const int times = int(command.count("new"));
            for (int i = 0; i < times; ++i)
                QVERIFY(NewLog(m_settings, book, ui));
            QCOMPARE(book.rowCount(), 0);
            QCOMPARE(ui.total, 0);
            QCOMPARE(readAll(logPath()), QByteArray());
            // Once, the backup holds the old log; a second New Log leaves it empty.
            QCOMPARE(readAll(bakPath()), times == 1 ? rec1 + rec2 : QByteArray());
            // The old contest keeps a name of its own, which the operator is told.
            const QStringList kept = QDir(m_dir.path()).entryList({ "QZVHF-before-new-*" });
            QCOMPARE(kept.size(), 1);
            QCOMPARE(readAll(m_dir.filePath(kept.first())), rec1 + rec2);
            // A file of its own: what is logged in it later (Open Log) leaves the backup alone.
            QFile keptFile(m_dir.filePath(kept.first()));
            QVERIFY(keptFile.open(QIODevice::Append) && keptFile.write(rec1) == rec1.size());
            keptFile.close();
            QCOMPARE(readAll(bakPath()), times == 1 ? rec1 + rec2 : QByteArray());
            QVERIFY(ui.messages.join('|').contains(m_dir.filePath(kept.first())));
            QVERIFY(ui.settingsRequested);
            QCOMPARE(ui.serial, 1);
        } else if (command == "save") {
            QVERIFY(SaveLog(m_settings, book, ui));
            QCOMPARE(readAll(bakPath()), rec1 + rec2);
            QCOMPARE(readAll(logPath()), rec1 + rec2);
        } else if (command == "saveas") {
            QVERIFY(SaveLogAs(copy, m_settings, book, ui));
            QCOMPARE(readAll(copy), rec1 + rec2);
            QVERIFY(!QFile::exists(copyBak));
            QCOMPARE(readAll(bakPath()), QByteArray("older\r\n"));
            // Logging goes on in the current file.
            book.AppendContact(contact("VK2AAA"), m_settings, ui);
            QCOMPARE(ParseLogFile(readAll(logPath())).lines.size(), 3);
            QCOMPARE(readAll(copy), rec1 + rec2);
            QCOMPARE(m_settings.logFileName, logPath());
        } else if (command == "openmissing") {
            const QString other = m_dir.filePath(QStringLiteral("RUN2.LOG"));
            QVERIFY(OpenLog(other, m_settings, book, ui, lock));
            QCOMPARE(m_settings.backupLogFileName, m_dir.filePath(QStringLiteral("RUN2.BAK")));
            QVERIFY(ui.messages.first().startsWith(
                " A LogBook has not yet been created for this contest! "));
            QCOMPARE(readAll(other), QByteArray());
            QCOMPARE(book.rowCount(), 0);
            QCOMPARE(ui.total, 0);
            QCOMPARE(readAll(logPath()), rec1 + rec2);
            QFile::remove(other);
        } else {
            writeFile(copyBak, rec2);
            QVERIFY(OpenLog(copyBak, m_settings, book, ui, lock));
            QCOMPARE(m_settings.logFileName, copy);
            QCOMPARE(m_settings.backupLogFileName, copyBak);
            QCOMPARE(readAll(copy), rec2);
            QCOMPARE(book.rowCount(), 1);
            QCOMPARE(ui.total, 2);
            QFile::remove(copy);
        }
        QFile::remove(copyBak);
    }

    // A name without a three-letter extension has a backup of its own: the file whose name
    // the last three characters replaced would give is never touched.
    void backupNameIsTheLogsOwn_data()
    {
        QTest::addColumn<QString>("log");
        QTest::addColumn<QString>("backup");
        QTest::addColumn<QString>("unrelated");
        QTest::newRow("LOG") << "RUN1.LOG"
                             << "RUN1.BAK"
                             << "";
        QTest::newRow("lower case") << "run1.log"
                                    << "run1.BAK"
                                    << "";
        QTest::newRow("no extension") << "RUN1"
                                      << "RUN1.BAK"
                                      << "RBAK";
        QTest::newRow("long extension") << "RUN.LOGS"
                                        << "RUN.LOGS.BAK"
                                        << "RUN.LBAK";
        QTest::newRow("two letters") << "RUN.LG"
                                     << "RUN.LG.BAK"
                                     << "RUNBAK";
        QTest::newRow("dot folder") << "d.x/LOGS"
                                    << "d.x/LOGS.BAK"
                                    << "d.x/LBAK";
    }
    void backupNameIsTheLogsOwn()
    {
        QFETCH(QString, log);
        QFETCH(QString, backup);
        QFETCH(QString, unrelated);
        QDir(m_dir.path()).mkpath(QStringLiteral("d.x"));
        QCOMPARE(BackupLogName(log), backup);
        const QString logFile = m_dir.filePath(log);
        if (!unrelated.isEmpty())
            writeFile(m_dir.filePath(unrelated), "keep me\r\n");
        LogBook book(m_store);
        RecordingUi ui;
        LogLock lock;
        QVERIFY(OpenLog(logFile, m_settings, book, ui, lock));
        book.AppendContact(contact("VK2AAA"), m_settings, ui);
        QVERIFY(SaveLog(m_settings, book, ui));
        QVERIFY(SaveLogAs(logFile + ".copy.LOG", m_settings, book, ui));
        QCOMPARE(readAll(m_dir.filePath(backup)), readAll(logFile));
        if (!unrelated.isEmpty())
            QCOMPARE(readAll(m_dir.filePath(unrelated)), QByteArray("keep me\r\n"));
    }

    // Save Log As never lands on the log's files by any name, nor on a log another copy holds;
    // a copy whose backup name leads to the log's backup leaves that backup alone.
    void saveAsNeverLandsOnTheLogsFiles_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("written");
        QTest::newRow("the backup") << "QZVHF.BAK" << false;
        QTest::newRow("the save under way") << "QZVHF.LOG.new" << false;
        QTest::newRow("the log through a linked folder") << "linked/QZVHF.LOG" << false;
        QTest::newRow("the backup through a linked folder") << "linked/QZVHF.BAK" << false;
        QTest::newRow("a link to the log") << "ALIAS.LOG" << false;
        QTest::newRow("a log another copy holds") << "HELD.LOG" << false;
        QTest::newRow("a line break in the name") << "CO\nPY.LOG" << false;
        QTest::newRow("the log's lock") << "QZVHF.LOG.lock" << false;
        QTest::newRow("its backup name leads to the log's") << "linked/QZVHF.TXT" << true;
    }
    void saveAsNeverLandsOnTheLogsFiles()
    {
        QFETCH(QString, target);
        QFETCH(bool, written);
        writeFile(logPath(), rec1 + rec2);
        writeFile(bakPath(), "older\r\n");
        QFile::link(m_dir.path(), m_dir.filePath("linked"));
        QFile::link(logPath(), m_dir.filePath("ALIAS.LOG"));
        LogLock other;
        QVERIFY(other.take(m_dir.filePath("HELD.LOG"), nullptr));
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        ui.messages.clear();
        QCOMPARE(SaveLogAs(m_dir.filePath(target), m_settings, book, ui), written);
        QCOMPARE(readAll(logPath()), rec1 + rec2);
        QCOMPARE(readAll(bakPath()), QByteArray("older\r\n"));
        QCOMPARE(ui.messages.size(), written ? 0 : 1);
        if (written)
            QCOMPARE(readAll(m_dir.filePath(target)), rec1 + rec2);
        for (const char* made : { "linked", "ALIAS.LOG", "QZVHF.TXT" })
            QFile::remove(m_dir.filePath(made));
    }

    // Open Log refuses a log another copy holds (by any name), a line break, no regular file,
    // and files that lead to the settings file; a dead run's lock is taken over, the old log
    // given up.
    void openLogLeavesAHeldLogAlone_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("opened");
        QTest::newRow("held") << "HELD.LOG" << false;
        QTest::newRow("held, through a linked folder") << "linked/HELD.LOG" << false;
        QTest::newRow("the backup of a held log") << "HELD.BAK" << false;
        QTest::newRow("a line break in the name") << "NEW\rLOG.LOG" << false;
        QTest::newRow("a FIFO") << "FIFO.LOG" << false;
        QTest::newRow("a link to /dev/null") << "NULL.LOG" << false;
        QTest::newRow("a folder") << "FOLDER.LOG" << false;
        QTest::newRow("the settings file") << "SETTINGS.INI" << false;
        QTest::newRow("a backup that leads to the settings file") << "SET.LOG" << false;
        QTest::newRow("a lock left by an ended process") << "STALE.LOG" << true;
        QTest::newRow("a lock left empty by a power cut") << "EMPTY.LOG" << true;
        QTest::newRow("a lock left by a run with this one's number") << "REUSED.LOG" << true;
        // Opened, and the operator told that a second copy would not be kept off.
        QTest::newRow("no room for the lock's name") << QString(250, 'A') + ".LOG" << true;
    }
    void openLogLeavesAHeldLogAlone()
    {
        QFETCH(QString, target);
        QFETCH(bool, opened);
        writeFile(logPath(), rec1);
        writeFile(m_dir.filePath("HELD.BAK"), rec2);
        QFile::link(m_dir.path(), m_dir.filePath("linked"));
        LogLock other;
        QVERIFY(other.take(m_dir.filePath("HELD.LOG"), nullptr));
        const QString staleLock = LogLockFileName(m_dir.filePath("STALE.LOG"));
        QByteArray lockText;
        {
            QLockFile made(staleLock);
            QVERIFY(made.tryLock(0));
            lockText = readAll(staleLock);
        }
        QProcess ended;
        ended.start("true");
        QVERIFY(ended.waitForStarted());
        const qint64 pid = ended.processId();
        QVERIFY(ended.waitForFinished());
        writeFile(staleLock, QByteArray::number(pid) + lockText.mid(lockText.indexOf('\n')));
        writeFile(LogLockFileName(m_dir.filePath("EMPTY.LOG")), QByteArray());
        writeFile(LogLockFileName(m_dir.filePath("REUSED.LOG")), lockText);
        for (const char* made : { "FIFO.LOG", "NULL.LOG", "SET.BAK" }) // a failed row's
            QFile::remove(m_dir.filePath(made));
        QCOMPARE(::mkfifo(QFile::encodeName(m_dir.filePath("FIFO.LOG")).constData(), 0644), 0);
        QVERIFY(QFile::link("/dev/null", m_dir.filePath("NULL.LOG")));
        QVERIFY(QDir(m_dir.path()).mkpath("FOLDER.LOG"));
        const QString settingsFile = m_dir.filePath("SETTINGS.INI");
        writeFile(settingsFile, "[FILES]\r\n");
        QVERIFY(QFile::link(settingsFile, m_dir.filePath("SET.BAK")));

        LogBook book(m_store);
        RecordingUi ui;
        LogLock lock;
        QVERIFY(lock.take(logPath(), nullptr));
        book.LoadLogBook(m_settings, ui);
        ui.messages.clear();
        QCOMPARE(
            OpenLog(m_dir.filePath(target), m_settings, book, ui, lock, { settingsFile }), opened);
        QCOMPARE(m_settings.logFileName, opened ? m_dir.filePath(target) : logPath());
        QCOMPARE(book.lines(), ParseLogFile(opened ? QByteArray() : rec1).lines);
        QCOMPARE(readAll(m_dir.filePath("HELD.BAK")), rec2);
        QVERIFY(!QFile::exists(m_dir.filePath("HELD.LOG")));
        QVERIFY(!QFile::exists(m_dir.filePath("NEW\rLOG.LOG")));
        if (!opened) {
            QCOMPARE(ui.messages.size(), 1);
            if (target.contains("HELD"))
                QVERIFY2(ui.messages.first().contains(
                             QStringLiteral("process %1").arg(QCoreApplication::applicationPid())),
                    qPrintable(ui.messages.first()));
            if (QStringList { "FIFO.LOG", "NULL.LOG", "FOLDER.LOG" }.contains(target))
                QVERIFY(ui.messages.first().contains(NotRegularFileReason()));
            if (target.startsWith("SET"))
                QVERIFY(ui.messages.first().contains("settings file " + settingsFile));
        }
        QCOMPARE(readAll(settingsFile), QByteArray("[FILES]\r\n"));
        QVERIFY(QFileInfo(m_dir.filePath("FIFO.LOG")).exists()
            && !QFileInfo(m_dir.filePath("FIFO.LOG")).isFile());
        // This run holds the log it is on, and only that one.
        QCOMPARE(LogLock().take(logPath(), nullptr), opened);
        const bool told = ui.messages.join('|').contains("could not be locked");
        QCOMPARE(told, target.size() > 200);
        if (opened && !told)
            QVERIFY(!LogLock().take(m_dir.filePath(target), nullptr));
        QFile::remove(m_dir.filePath(QString(250, 'A') + ".LOG"));
        for (const char* made :
            { "linked", "HELD.BAK", "STALE.LOG", "EMPTY.LOG", "REUSED.LOG", "EMPTY.LOG.lock",
                "REUSED.LOG.lock", "FIFO.LOG", "NULL.LOG", "SETTINGS.INI", "SET.BAK" })
            QFile::remove(m_dir.filePath(made));
        QDir(m_dir.path()).rmdir("FOLDER.LOG");
    }

    // A linked log stays held, by either name, after a rewrite put a file in place of the link.
    void aLinkedLogStaysHeldAfterARewrite()
    {
        QVERIFY(QDir(m_dir.path()).mkpath("real"));
        const QString real = m_dir.filePath("real/QZVHF.LOG");
        writeFile(real, rec1);
        QVERIFY(QFile::link(real, logPath()));
        LogLock lock;
        QVERIFY(lock.take(logPath(), nullptr));
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QVERIFY(SaveLog(m_settings, book, ui));
        QVERIFY(!QFileInfo(logPath()).isSymLink());
        QVERIFY(!LogLock().take(logPath(), nullptr));
        QVERIFY(!LogLock().take(real, nullptr));
        QVERIFY(QDir(m_dir.filePath("real")).removeRecursively());
    }

    // A log that is not in memory whole is never replaced by the few contacts that are: new
    // contacts go to its end, rewrites are refused, and the serials do not start again at 1.
    void unreadLogIsNeverRewritten()
    {
        const QByteArray log = rec1 + rec2;
        writeFile(logPath(), log);
        m_fs->faults().read = true;
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QVERIFY(!book.loaded());
        QCOMPARE(ui.serial, int(log.size() / 48 + 1));
        QCOMPARE(ui.band + ui.mode, QStringLiteral("2mFM"));
        QCOMPARE(ui.messages.size(), 1);

        book.AppendContact(contact("VK2XYZ"), m_settings, ui);
        const QByteArray appended = readAll(logPath());
        QCOMPARE(appended, log + LogLineToFileRecord(book.lines().first()).toLatin1() + "\r\n");
        QVERIFY(book.fileInStep());
        // Save has nothing to write: it is refused and leaves the log in step.
        QVERIFY(!SaveLog(m_settings, book, ui));
        QVERIFY(book.fileInStep());
        QVERIFY(!book.WriteLogBook(m_settings, ui));
        QVERIFY(!book.fileInStep());
        QCOMPARE(readAll(logPath()), appended);
        QVERIFY(!QFile::exists(bakPath()));
        // The refused change reaches a rescue file, never the log.
        QVERIFY(book.SecureContacts(ui));
        QCOMPARE(readAll(logPath()), appended);
        const QStringList rescued
            = QDir(m_dir.path()).entryList({ QStringLiteral("QZVHF-rescue-*.LOG") });
        QCOMPARE(rescued.size(), 1);
        QCOMPARE(ParseLogFile(readAll(m_dir.filePath(rescued.first()))).lines, book.lines());
    }

    // A missing log's backup, or a save cut short, is moved where no rewrite reaches it, named
    // to the operator, and counted for the serials; no empty log stands in for them.
    void contactsBesideAMissingLogAreKeptAside_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QByteArray>("bak");
        QTest::addColumn<QByteArray>("leftover");
        QTest::addColumn<QString>("keptAs");
        QTest::addColumn<int>("serial");
        QTest::newRow("missing log, its backup")
            << QByteArray() << rec1 + rec2 << QByteArray() << "QZVHF-backup-*.LOG" << 903;
        QTest::newRow("a save cut short")
            << rec1 << QByteArray() << rec1 + rec2 << "QZVHF-unfinished-*.LOG" << 903;
    }

    void contactsBesideAMissingLogAreKeptAside()
    {
        QFETCH(QByteArray, log);
        QFETCH(QByteArray, bak);
        QFETCH(QByteArray, leftover);
        QFETCH(QString, keptAs);
        QFETCH(int, serial);
        if (!log.isEmpty())
            writeFile(logPath(), log);
        if (!bak.isEmpty())
            writeFile(bakPath(), bak);
        if (!leftover.isEmpty())
            writeFile(logPath() + ".new", leftover);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        const QStringList kept = QDir(m_dir.path()).entryList({ keptAs });
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readAll(m_dir.filePath(kept.first())), bak + leftover);
        QVERIFY(ui.messages.first().contains(m_dir.filePath(kept.first())));
        QCOMPARE(ui.serial, serial);
        QCOMPARE(readAll(logPath()), log.isEmpty() ? QByteArray("<missing>") : log);
        book.AppendContact(contact("VK2XYZ"), m_settings, ui);
        QVERIFY(book.WriteLogBook(m_settings, ui));
        QCOMPARE(readAll(m_dir.filePath(kept.first())), bak + leftover);
        for (const QString& f : QDir(m_dir.path()).entryList({ "QZVHF-*.LOG" }))
            QFile::remove(m_dir.filePath(f));
        QFile::remove(logPath() + ".new");
    }

    // Before another log is loaded, contacts that only memory holds go to disk: to the log when
    // it takes them again, else to a rescue file beside it or in the rescue folder.
    void contactsOnlyInMemoryAreSecured_data()
    {
        QTest::addColumn<QString>("where");
        QTest::newRow("the log takes them") << "log";
        QTest::newRow("beside the log") << "beside";
        QTest::newRow("the log's folder is gone") << "rescue";
        QTest::newRow("nowhere") << "none";
    }

    void contactsOnlyInMemoryAreSecured()
    {
        QFETCH(QString, where);
        QTemporaryDir logDir;
        ContestSettings settings = m_settings;
        settings.logFileName = logDir.filePath(QStringLiteral("QZVHF.LOG"));
        settings.backupLogFileName = logDir.filePath(QStringLiteral("QZVHF.BAK"));
        writeFile(settings.logFileName, rec1);
        LogBook book(m_store);
        const QString rescueFolder = where == "none" ? logPath() + QLatin1String("/below-a-file")
                                                     : m_dir.filePath(QStringLiteral("rescue"));
        book.setRescueFolder(rescueFolder);
        RecordingUi ui;
        book.LoadLogBook(settings, ui);
        m_fs->faults().write = true;
        book.AppendContact(contact("VK2AAA"), settings, ui);
        QVERIFY(!book.fileInStep());
        m_fs->faults().write = false;
        if (where == "beside") // the rewrite cannot make its new file
            QDir().mkpath(settings.logFileName + QLatin1String(".new"));
        if (where == "rescue" || where == "none")
            logDir.remove();
        const QStringList memory = book.lines();

        writeFile(logPath(), rec2);
        const bool loaded = book.LoadLogBook(m_settings, ui);
        QCOMPARE(loaded, where != "none");
        QCOMPARE(book.lines(), loaded ? QStringList { ParseLogFile(rec2).lines } : memory);
        const QString folder = where == "rescue" ? rescueFolder : logDir.path();
        const QStringList rescued
            = QDir(folder).entryList({ QStringLiteral("QZVHF-rescue-*.LOG") });
        QCOMPARE(rescued.size(), where == "beside" || where == "rescue" ? 1 : 0);
        const QString holder
            = rescued.isEmpty() ? settings.logFileName : QDir(folder).filePath(rescued.first());
        if (where != "none") {
            QCOMPARE(ParseLogFile(readAll(holder)).lines, memory);
            if (where != "log")
                QVERIFY(ui.messages.constLast().contains(holder));
        }
    }

    // What a damaged file holds never sets the next contact's band, mode or serial, nor
    // overflows the total.
    void loadTakesOnlySoundValues_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("bandMode");
        QTest::addColumn<int>("serial");
        QTest::addColumn<int>("messages");
        QTest::newRow("torn last line")
            << rec1 + "\"08-15-2026\",\"09:20\",\"70cm\",\"CW\",\"ZL2XY\",\"59"
            << "2m   FM    " << 2 << 1;
        QTest::newRow("band and mode not ours") << rec1
                + "\"08-15-2026\",\"09:20\",\"99m\",\"XX\",\"ZL2XY\",\"59002\",\"59\",1,"
                  "\"A\"\r\n"
                                                << "2mFM" << 3 << 0;
        QTest::newRow("huge points") << QByteArray(
            "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"5\",2000000000,"
            "\"P\"\r\n\"08-15-2026\",\"09:15\",\"2m\",\"FM\",\"VK3ABD\",\"59002\",\"5\","
            "2000000000,\"P\"\r\n") << "2m   FM    "
                                     << 3 << 1;
    }

    void loadTakesOnlySoundValues()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, bandMode);
        QFETCH(int, serial);
        QFETCH(int, messages);
        writeFile(logPath(), bytes);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        QCOMPARE(ui.band + ui.mode, bandMode);
        QCOMPARE(ui.serial, serial);
        QCOMPARE(ui.messages.size(), messages);
        QVERIFY(ui.total >= 0 && ui.total <= 2);
    }

    void renameFailureIsToldAndTheRewriteGoesOn()
    {
        writeFile(logPath(), rec1);
        LogBook book(m_store);
        RecordingUi ui;
        book.LoadLogBook(m_settings, ui);
        m_fs->faults().rename = true;
        QVERIFY(book.WriteLogBook(m_settings, ui));
        QCOMPARE(ui.messages.size(), 1);
        QVERIFY(ui.messages.first().startsWith("Logfile rename failed with error : "));
        QCOMPARE(ui.statuses.constLast(), QStringLiteral("  Written LogBook to Disk Okay..."));
    }
};

QTEST_GUILESS_MAIN(TestLogBook)
#include "tst_logbook.moc"
