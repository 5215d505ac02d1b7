#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ContactEntry.h"
#include "LogFiles.h"
#include "LogLine.h"
#include "ProfileFile.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

const QByteArray rec1
    = "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"\r\n";
const QByteArray rec2
    = "\"08-15-2026\",\"09:20\",\"70cm\",\"CW\",\"ZL2XY\",\"59002\",\"599003\",2,\"Ann\"\r\n";

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    StartupEnvironment environment()
    {
        StartupEnvironment env;
        DesktopOf(env).screen = [] { return QSize(1024, 768); }; // the window keeps its size
        env.settingsPath = file("DOVavoviv.ini");
        env.fallbackSettingsPath = file("config/DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        env.clock = std::make_shared<TestClock>(); // 1 March 2026, UTC+9:30
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        return env;
    }

    template <typename T> static T* child(QWidget& w, const char* name)
    {
        T* c = w.findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages.clear();
    }

    void firstStartInAnEmptyFolder()
    {
        TQZMainForm form(environment());
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QCOMPARE(m_messages,
            QStringList {
                " A LogBook has not yet been created for this contest! \r Please select the "
                "default settings for a new one.    " });
        QVERIFY(QFile::exists(file("QZVHF.LOG")));
        QCOMPARE(form.settings().logFileName, file("QZVHF.LOG"));
        QCOMPARE(form.settings().contestStartDate, QDate(2026, 8, 15));
        QCOMPARE(form.windowTitle(), MainTitle("MYCALL", "Open", file("QZVHF.LOG")));
        QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), QStringLiteral("MYCALL"));
        QCOMPARE(child<QLabel>(form, "TimeZoneLabel")->text(), QStringLiteral("UTC +9.5"));
        QCOMPARE(child<QLabel>(form, "PointsTotal")->text(), QStringLiteral("0"));
        QCOMPARE(child<QLabel>(form, "TopIndexLabel")->text(), LogColumnHeading);
        QCOMPARE(child<QLabel>(form, "StatusPanel")->text(), QStringLiteral("  LogBook Ready..."));
        QCOMPARE(child<QLineEdit>(form, "BandN")->text(), QStringLiteral("2m"));
        QCOMPARE(child<QLineEdit>(form, "ModeN")->text(), QStringLiteral("FM"));
        QCOMPARE(QApplication::focusWidget(), child<QLineEdit>(form, "CallsignN"));

        form.close();
        ProfileFile ini;
        QVERIFY(ini.load(file("DOVavoviv.ini")));
        QCOMPARE(ini.readString("USER", "Last", {}), QStringLiteral("DOVavovivProgramRunTime"));
        QCOMPARE(ini.readString("FILES", "LogFileName", {}), file("QZVHF.LOG"));
        QCOMPARE(ini.readString("TIME", "WinUTCOffset", {}), QStringLiteral("UTC +9.5"));
        QCOMPARE(ini.readString("TIME", "ContestStartDate", {}), QStringLiteral("15 Aug 2026"));
        QCOMPARE(ini.readInteger("COLOUR", "ColourForm", 0), 8388608);
    }

    void loadsTheLogNamedInTheSettings()
    {
        QVERIFY(writeFile(file("VK3.LOG"), rec1 + rec2));
        QVERIFY(writeFile(file("DOVavoviv.ini"),
            "[FILES]\r\nLogFileName=" + file("VK3.LOG").toLatin1()
                + "\r\n[CONTEST]\r\nCallsign=VK3ABC\r\n"
                  "[MINE]\r\nKeep=this\r\n"));
        {
            TQZMainForm form(environment());
            QVERIFY(m_messages.isEmpty());
            QCOMPARE(form.logBook().rowCount(), 2);
            QCOMPARE(child<QLabel>(form, "PointsTotal")->text(), QStringLiteral("3"));
            QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), QStringLiteral("VK3ABC"));
            QCOMPARE(child<QLineEdit>(form, "BandN")->text(), QStringLiteral("70cm "));
            QCOMPARE(child<QLineEdit>(form, "RSTTxN")->text(), QStringLiteral("    003"));
            QCOMPARE(child<QListView>(form, "LogBook")->model()->rowCount(), 2);
            form.close();
        }
        const QByteArray ini = readAll(file("DOVavoviv.ini"));
        QVERIFY(ini.contains("[MINE]\r\nKeep=this\r\n"));
        QVERIFY(ini.contains("Callsign=VK3ABC\r\n"));
    }

    // A value that does not read back is told, takes its default, and the start-up goes on.
    void badDateAndBadOverrideDoNotStopTheStart()
    {
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("DOVavoviv.ini"), "[TIME]\r\nContestStartDate=32 Foo 2026\r\n"));
        QVERIFY(writeFile(file("QZ.INI"), "\"VK8XX\"\r\nnine\r\n"));
        TQZMainForm form(environment());
        QCOMPARE(m_messages,
            (QStringList {
                "'32 Foo 2026' is not a valid date", "'nine' is not a valid integer value" }));
        QCOMPARE(form.settings().contestStartDate, QDate(2026, 8, 15));
        QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), QStringLiteral("VK8XX"));
        QCOMPARE(child<QLabel>(form, "TimeZoneLabel")->text(), QStringLiteral("UTC +9.5"));
        QCOMPARE(form.logBook().rowCount(), 1);
    }

    void overrideFileSetsCallsignAndZone()
    {
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("QZ.INI"), "VK4XYZ\r\n\"+10\"\r\n"));
        TQZMainForm form(environment());
        QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), QStringLiteral("VK4XYZ"));
        QCOMPARE(child<QLabel>(form, "TimeZoneLabel")->text(), QStringLiteral("UTC +10"));
        QVERIFY(m_messages.isEmpty());
    }

    void unwritableProgramFolderUsesTheConfigFolder()
    {
        StartupEnvironment env = environment();
        env.settingsPath = file("no-such-folder/DOVavoviv.ini");
        {
            TQZMainForm form(env);
            QCOMPARE(form.settingsPath(), file("config/DOVavoviv.ini"));
            QVERIFY(
                child<QLabel>(form, "StatusPanel")->text().startsWith("  Settings are kept in "));
            form.close();
        }
        QVERIFY(readAll(file("config/DOVavoviv.ini")).contains("Last=DOVavovivProgramRunTime"));
    }

    // Damaged files never stop the start and never lose a contact that is in the file.
    void damagedFilesStart_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QByteArray>("qz");
        QTest::addColumn<int>("lines");
        QByteArray binary(4096, '\0');
        for (int i = 0; i < binary.size(); ++i)
            binary[i] = static_cast<char>((i * 131) % 256);
        QTest::newRow("binary log") << binary << QByteArray() << QByteArray() << -1;
        QTest::newRow("cr-only line ends")
            << rec1.chopped(1) + rec2.chopped(1) << QByteArray() << QByteArray() << 2;
        QTest::newRow("long line and stray quotes")
            << rec1 + QByteArray(100000, '"') + "\r\n" + rec2 << QByteArray() << QByteArray() << 3;
        QTest::newRow("garbage settings") << rec1 << binary << QByteArray() << 1;
        QTest::newRow("settings file a link to the log")
            << rec1 << QByteArray("<link>") << QByteArray() << 1;
        QTest::newRow("huge binary QZ.INI") << rec1 << QByteArray() << binary.repeated(300) << 1;
        // No regular file: not waited for, nothing written to it, the contacts kept safe.
        QTest::newRow("a FIFO log") << QByteArray("<fifo>") << QByteArray() << QByteArray() << 0;
        QTest::newRow("a log linked to /dev/null")
            << QByteArray("<null>") << QByteArray() << QByteArray() << 0;
        QTest::newRow("a folder log")
            << QByteArray("<folder>") << QByteArray() << QByteArray() << 0;
    }

    void damagedFilesStart()
    {
        QFETCH(QByteArray, log);
        QFETCH(QByteArray, ini);
        QFETCH(QByteArray, qz);
        QFETCH(int, lines);
        if (log == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(file("QZVHF.LOG")).constData(), 0644), 0);
        else if (log == "<null>")
            QVERIFY(QFile::link("/dev/null", file("QZVHF.LOG")));
        else if (log == "<folder>")
            QVERIFY(QDir().mkdir(file("QZVHF.LOG")));
        else
            QVERIFY(writeFile(file("QZVHF.LOG"), log));
        const bool regular = !log.startsWith('<');
        if (ini == "<link>")
            QVERIFY(QFile::link(file("QZVHF.LOG"), file("DOVavoviv.ini")));
        else if (!ini.isEmpty())
            QVERIFY(writeFile(file("DOVavoviv.ini"), ini));
        if (!qz.isEmpty())
            QVERIFY(writeFile(file("QZ.INI"), qz));
        StartupEnvironment env = environment();
        auto clock = std::make_shared<TestClock>();
        if (!regular) // in the contest, so that a contact is logged
            clock->setUtc(QDate(2026, 8, 15), QTime(10, 0, 20), 8 * 3600);
        env.clock = clock;
        TQZMainForm form(std::move(env));
        if (lines >= 0)
            QCOMPARE(form.logBook().rowCount(), lines);
        QCOMPARE(child<QLabel>(form, "StatusPanel")->text(),
            regular ? QStringLiteral("  LogBook Ready...")
                    : QStringLiteral("  LogBook NOT on disk - contacts kept in memory..."));
        if (regular) {
            form.close();
            QCOMPARE(readAll(file("QZVHF.LOG")), log);
            return;
        }
        QCOMPARE(m_messages.value(0),
            NotRegularLogText(file("QZVHF.LOG"))
                + "Contacts are kept in memory, and saved in a rescue file \r when another log "
                  "is opened or the program closes. ");
        QVERIFY(form.windowTitle().endsWith("[LogBook NOT on disk - kept in memory]"));
        ContactEntry& entry = form.entry();
        entry.row().callsign.text = "VK3ABC";
        entry.CallsignNEnter();
        entry.row().name.text = "Peter";
        entry.NameStep();
        entry.row().rstRx.text = "12";
        entry.CommitEntry();
        QCOMPARE(form.logBook().rowCount(), 1);
        form.close();
        QVERIFY(!QFileInfo(file("QZVHF.LOG")).isFile());
        const QStringList rescued = QDir(m_dir->path()).entryList({ "QZVHF-rescue-*.LOG" });
        QCOMPARE(rescued.size(), 1);
        QCOMPARE(
            ParseLogFile(readAll(m_dir->filePath(rescued.first()))).lines, form.logBook().lines());
    }

    // Numbers from outside are held to their ranges and told; the start goes on (this runs in
    // the sanitizer build too, where an overflow would abort).
    void hostileValuesStart_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QByteArray>("qz");
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("message");
        const QByteArray huge = "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\","
                                "\"5\",2000000000,\"P\"\r\n";
        QTest::newRow("log length")
            << QByteArray("[WINDOW]\r\nWinLogLength=-2147483648\r\n") << QByteArray() << rec1
            << "'-2147483648' is out of range for WinLogLength: 1 is used";
        QTest::newRow("window size")
            << QByteArray("[WINDOW]\r\nPosWidth=99999999\r\nPosHeight=99999999\r\n") << QByteArray()
            << rec1 << "'99999999' is out of range for PosWidth: 10000 is used";
        QTest::newRow("repeat time")
            << QByteArray("[TIME]\r\nRepeatContactTimeHrs=-5\r\n") << QByteArray() << rec1
            << "'-5' is out of range for RepeatContactTimeHrs: 0 is used";
        QTest::newRow("points") << QByteArray("[CONTEST]\r\nCWPoints=2147483647\r\n")
                                << QByteArray() << rec1
                                << "'2147483647' is out of range for CWPoints: 9 is used";
        QTest::newRow("station file offset")
            << QByteArray() << QByteArray("VK8XX\r\n999999\r\n") << rec1
            << "'999999' is out of range for the UTC offset: 14 is used";
        QTest::newRow("log points") << QByteArray() << QByteArray() << huge + huge
                                    << " 2 line(s) of the LogBook have no valid points: \r line "
                                       "1, 2 \r They are loaded and count 0 points: please edit "
                                       "them. ";
    }

    void hostileValuesStart()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QByteArray, qz);
        QFETCH(QByteArray, log);
        QFETCH(QString, message);
        QVERIFY(writeFile(file("QZVHF.LOG"), log));
        QVERIFY(writeFile(file("DOVavoviv.ini"), ini));
        if (!qz.isEmpty())
            QVERIFY(writeFile(file("QZ.INI"), qz));
        TQZMainForm form(environment());
        QCOMPARE(m_messages.value(0), message);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(form.width() <= screen.width() && form.height() <= screen.height());
        QCOMPARE(form.logBook().rowCount(), log.count('\n'));
        QVERIFY(child<QLabel>(form, "PointsTotal")->text().toInt() <= 1);
        form.close();
        QCOMPARE(readAll(file("QZVHF.LOG")), log);
    }

    // QZ.INI changes only what it holds, and a file that cannot be read is told.
    void overrideFileEdges_data()
    {
        QTest::addColumn<QByteArray>("qz");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<int>("messages");
        QTest::newRow("empty file") << QByteArray() << "VK3ABC"
                                    << "UTC +9.5" << 0;
        QTest::newRow("empty first line") << QByteArray("\r\n+10\r\n") << "VK3ABC"
                                          << "UTC +10" << 0;
        QTest::newRow("cannot be read") << QByteArray("<folder>") << "VK3ABC"
                                        << "UTC +9.5" << 1;
        QTest::newRow("a FIFO, not waited for") << QByteArray("<fifo>") << "VK3ABC"
                                                << "UTC +9.5" << 1;
    }

    void overrideFileEdges()
    {
        QFETCH(QByteArray, qz);
        QFETCH(QString, callsign);
        QFETCH(QString, zone);
        QFETCH(int, messages);
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("DOVavoviv.ini"), "[CONTEST]\r\nCallsign=VK3ABC\r\n"));
        if (qz == "<folder>")
            QVERIFY(QDir().mkpath(file("QZ.INI")));
        else if (qz == "<fifo>")
            QCOMPARE(::mkfifo(QFile::encodeName(file("QZ.INI")).constData(), 0644), 0);
        else
            QVERIFY(writeFile(file("QZ.INI"), qz));
        TQZMainForm form(environment());
        QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), callsign);
        QCOMPARE(child<QLabel>(form, "TimeZoneLabel")->text(), zone);
        QCOMPARE(m_messages.size(), messages);
        if (messages)
            QVERIFY(m_messages.first().startsWith(" The station file could not be read: \r "));
    }

    // A settings file read only in part is never written back cut short.
    void settingsFileTooLargeIsLeftAlone()
    {
        const QByteArray big = "[CONTEST]\r\nCallsign=VK3BIG\r\n[MINE]\r\n"
            + QByteArray(5 * 1024 * 1024, ';') + "\r\n";
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("DOVavoviv.ini"), big));
        {
            TQZMainForm form(environment());
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(m_messages.first().contains("is too large"));
            QCOMPARE(child<QLabel>(form, "MyCallsign")->text(), QStringLiteral("VK3BIG"));
            QCOMPARE(form.settingsPath(), file("config/DOVavoviv.ini"));
            form.close();
        }
        QCOMPARE(readAll(file("DOVavoviv.ini")), big);
        const QByteArray kept = readAll(file("config/DOVavoviv.ini"));
        QVERIFY(
            kept.contains("Callsign=VK3BIG\r\n") && kept.contains("Last=DOVavovivProgramRunTime"));
    }

    // Text from the files is never taken for markup in a message box.
    void messageBoxesShowPlainText()
    {
        StartupEnvironment env = environment();
        DesktopOf(env).messages = nullptr;
        Qt::TextFormat format = Qt::AutoText;
        QTimer answer; // the start lets events run before its first box: wait for the box
        answer.setInterval(5);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                format = box->textFormat();
                box->accept();
            }
        });
        answer.start();
        TQZMainForm form(env); // the first start tells that there is no log yet
        QCOMPARE(format, Qt::PlainText);
    }

    // The real choosers of the File menu: each opens in the log's folder with its own caption,
    // filters and default suffix, and a cancel leaves the log, its names and the folder alone.
    void fileChoosersCancelled_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("asked"); // caption | filters | chosen filter | proposed
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("suffix");
        QTest::newRow("open") << "open"
                              << "Open|LOG files (*.LOG);BACKUP files (*.BAK)|LOG files (*.LOG)|"
                              << false << "";
        QTest::newRow("save as") << "save as"
                                 << "Save As|Contest Log Files (*.LOG)|Contest Log Files (*.LOG)|"
                                 << true << "";
        QTest::newRow("ADIF") << "adif"
                              << "Export ADIF Log|ADIF Files (*.adi)|ADIF Files (*.adi)|QZVHF.adi"
                              << true << "adi";
        QTest::newRow("Cabrillo")
            << "cabrillo"
            << "Export Cabrillo Log|Cabrillo Files (*.cbr)|Cabrillo Files (*.cbr)|QZVHF.cbr" << true
            << "cbr";
    }
    void fileChoosersCancelled()
    {
        QFETCH(QString, command);
        QFETCH(QString, asked);
        QFETCH(bool, save);
        QFETCH(QString, suffix);
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("DOVavoviv.ini"), "[CONTEST]\r\nCallsign=VK3ABC\r\n"));
        StartupEnvironment env = environment();
        DesktopOf(env).files = nullptr;
        TQZMainForm form(env);
        const QString log = form.settings().logFileName;
        const QStringList before = QDir(m_dir->path()).entryList(QDir::Files);
        QString seen, folder, defaultSuffix;
        bool saving = false;
        QFileDialog::FileMode mode = QFileDialog::Directory;
        int shown = 0;
        QTimer answer;
        answer.setInterval(5);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            ++shown;
            const QFileInfo proposed(dialog->selectedFiles().value(0)); // none: the folder
            seen = QStringList { dialog->windowTitle(), dialog->nameFilters().join(';'),
                dialog->selectedNameFilter(), proposed.isDir() ? QString() : proposed.fileName() }
                       .join('|');
            folder = QDir(dialog->directory()).canonicalPath();
            saving = dialog->acceptMode() == QFileDialog::AcceptSave;
            mode = dialog->fileMode();
            defaultSuffix = dialog->defaultSuffix();
            dialog->reject();
        });
        answer.start();
        if (command == "open")
            form.OpenLog1Click();
        else if (command == "save as")
            form.SaveLogAs1Click();
        else if (command == "adif")
            form.ExportAdif1Click();
        else
            form.ExportCabrillo1Click();
        answer.stop();
        QCOMPARE(shown, 1);
        QCOMPARE(seen, asked);
        QCOMPARE(folder, QDir(m_dir->path()).canonicalPath());
        QCOMPARE(saving, save);
        QCOMPARE(mode, QFileDialog::AnyFile); // a new name is a new file
        QCOMPARE(defaultSuffix, suffix);
        QCOMPARE(form.settings().logFileName, log);
        QCOMPARE(form.logBook().rowCount(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), before);
        QVERIFY(m_messages.isEmpty());
    }

    // A second copy on a log in use says which process holds it, and touches neither the log,
    // a save cut short beside it, nor the settings file.
    void logInUseIsLeftAlone()
    {
        const QByteArray ini = "[CONTEST]\r\nCallsign=VK3ABC\r\n";
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("QZVHF.LOG.new"), rec1 + rec2));
        QVERIFY(writeFile(file("DOVavoviv.ini"), ini));
        LogLock running; // the copy that logs in it
        QVERIFY(running.take(file("QZVHF.LOG"), nullptr));
        {
            TQZMainForm form(environment());
            QVERIFY(form.logHeldElsewhere());
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages.first().contains(QStringLiteral("process %1 on %2")
                                                     .arg(QCoreApplication::applicationPid())
                                                     .arg(QSysInfo::machineHostName())),
                qPrintable(m_messages.first()));
            QCOMPARE(form.logBook().rowCount(), 0);
            form.close();
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 4); // and the lock
        QCOMPARE(readAll(file("QZVHF.LOG")), rec1);
        QCOMPARE(readAll(file("QZVHF.LOG.new")), rec1 + rec2);
        QCOMPARE(readAll(file("DOVavoviv.ini")), ini);
    }

    // The log's names reach the settings file at once (a crash does not bring the old log
    // back); a log another copy holds, or a name with a line break, is refused and told.
    void logChangesReachTheSettingsAtOnce_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("log"); // the name given
        QTest::addColumn<QString>("kept"); // the log in the settings file; empty: none written
        auto row = [](const char* tag, const char* command, const char* log, const char* kept) {
            QTest::newRow(tag) << QString(command) << QString(log) << QString(kept);
        };
        row("Open Log", "open", "RUN2.LOG", "RUN2.LOG");
        row("Open Log, a backup", "open", "RUN2.BAK", "RUN2.LOG");
        row("typed in the settings", "settings", "RUN2.LOG", "RUN2.LOG");
        row("New Log", "new", "", "QZVHF.LOG");
        row("typed, held by another copy", "settings", "HELD.LOG", "");
        row("typed, a line break", "settings", "RUN\nTWO.LOG", "");
        row("Open Log, a line break", "open", "RUN\rTWO.LOG", "");
    }

    void logChangesReachTheSettingsAtOnce()
    {
        QFETCH(QString, command);
        QFETCH(QString, log);
        QFETCH(QString, kept);
        QVERIFY(writeFile(file("QZVHF.LOG"), rec1));
        QVERIFY(writeFile(file("RUN2.BAK"), rec2));
        QVERIFY(writeFile(file("DOVavoviv.ini"), "[CONTEST]\r\nCallsign=VK3ABC\r\n"));
        LogLock other;
        QVERIFY(other.take(file("HELD.LOG"), nullptr));
        StartupEnvironment env = environment();
        DesktopOf(env).files
            = [&](const QString&, const QString&, bool) { return m_dir->filePath(log); };
        DesktopOf(env).questions = [](const QString&) { return true; };
        TQZMainForm form(env);
        m_messages.clear();
        if (command == "settings") {
            form.settingsForm().ShowForm();
            child<QComboBox>(form.settingsForm(), "LogFileNameBox")
                ->setEditText(m_dir->filePath(log));
            form.settingsForm().OKButtonClick();
        } else {
            form.findChild<QAction*>(command == "new" ? "NewLog1" : "OpenLog1")->trigger();
        }
        ProfileFile ini;
        QVERIFY(ini.load(file("DOVavoviv.ini")));
        QCOMPARE(ini.readString("FILES", "LogFileName", {}),
            kept.isEmpty() ? QString() : m_dir->filePath(kept));
        QCOMPARE(form.settings().logFileName, m_dir->filePath(kept.isEmpty() ? "QZVHF.LOG" : kept));
        if (kept.isEmpty()) {
            QCOMPARE(m_messages.size(), 1);
            QVERIFY(!QFile::exists(m_dir->filePath(log)));
            QCOMPARE(form.logBook().rowCount(), 1);
        }
    }

    // The File menu ends with its "Quit": the exports and the check stand above it.
    void quitEndsTheFileMenu()
    {
        TQZMainForm form(environment());
        QStringList entries;
        for (const QAction* action : child<QMenu>(form, "File")->actions())
            if (!action->isSeparator())
                entries << action->objectName();
        QCOMPARE(entries.mid(entries.size() - 4),
            (QStringList { "ExportCabrillo1", "ExportAdif1", "CheckLog1", "QuitFromMenu" }));
    }

    void shutDownRunsOnce()
    {
        TQZMainForm form(environment());
        form.ShutDown(true);
        QFile::remove(file("DOVavoviv.ini"));
        form.close();
        QVERIFY(!QFile::exists(file("DOVavoviv.ini")));
    }
};

QTEST_MAIN(TestMainForm)
#include "tst_mainform.moc"
