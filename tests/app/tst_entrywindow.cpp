#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "DrumList.h"
#include "FailingFileSystem.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"

using namespace vorad;

class TestEntryWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<TestClock> m_clock;
    QStringList m_messages;
    std::function<void()> m_eventsHook;
    std::shared_ptr<FailingFileSystem> m_fs;
    std::shared_ptr<LogFileStore> m_store;

    QString file(const char* name) const { return m_dir->filePath(QString::fromLatin1(name)); }

    QStringList m_questions;
    bool m_answer = false;
    QString m_chosenFile;

    std::unique_ptr<TQZMainForm> start(const QByteArray& extraIni = {}, const QByteArray& log = {})
    {
        writeFile(file("QZVHF.LOG"), log);
        QFile ini(file("DOVavoviv.ini"));
        ini.open(QIODevice::WriteOnly);
        ini.write("[CONTEST]\r\nCallsign=VK6XYZ\r\nDoublePoints16=0\r\n" + extraIni);
        ini.close();
        StartupEnvironment env;
        DesktopOf(env).screen = [] { return QSize(1024, 768); }; // the window keeps its size
        env.settingsPath = file("DOVavoviv.ini");
        env.workingDir = m_dir->path();
        env.locale = QLocale::c();
        env.clock = m_clock;
        env.store = m_store;
        env.store->setSyncEnabled(false);
        DesktopOf(env).messages = [this](const QString& m) { m_messages.append(m); };
        env.eventsHook = [this] {
            if (m_eventsHook)
                std::exchange(m_eventsHook, nullptr)();
        };
        DesktopOf(env).questions = [this](const QString& q) {
            m_questions.append(q);
            return m_answer;
        };
        DesktopOf(env).files
            = [this](const QString&, const QString&, bool) { return m_chosenFile; };
        env.tickIntervalMs = 3600 * 1000; // the tests tick by hand
        auto form = std::make_unique<TQZMainForm>(env);
        // An empty logbook opens the settings dialog; the operator closes it.
        if (form->settingsForm().isVisible())
            form->settingsForm().CancelButtonClick();
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("window not active");
        return form;
    }

    static QLineEdit* box(TQZMainForm& form, const char* name)
    {
        return form.findChild<QLineEdit*>(QString::fromLatin1(name));
    }

    static QWidget* focus() { return QApplication::focusWidget(); }

    static void type(const QString& text) { QTest::keyClicks(focus(), text); }
    static void enter() { QTest::keyClick(focus(), Qt::Key_Return); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_clock = std::make_shared<TestClock>();
        m_clock->setUtc(QDate(2026, 8, 15), QTime(10, 0, 20), 8 * 3600);
        m_messages.clear();
        m_questions.clear();
        m_answer = false;
        m_chosenFile.clear();
        m_eventsHook = nullptr;
        m_fs = std::make_shared<FailingFileSystem>();
        m_store = std::make_shared<LogFileStore>(m_fs);
    }

    // A contact kept in memory after a failed write is on disk when the program ends, and until
    // then the window never looks as after a good write.
    void contactsInMemoryReachTheDiskAtTheEnd_data()
    {
        QTest::addColumn<bool>("sessionEnds");
        QTest::newRow("window closed: the log takes them") << false;
        QTest::newRow("session ends: the log cannot, a rescue file does") << true;
    }

    void contactsInMemoryReachTheDiskAtTheEnd()
    {
        QFETCH(bool, sessionEnds);
        auto form = start();
        m_fs->faults().write = true;
        type("vk3abc");
        enter();
        type("al");
        enter();
        type("12");
        enter();
        m_fs->faults().write = false;
        QCOMPARE(form->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text(),
            QStringLiteral("  LogBook NOT on disk - contacts kept in memory..."));
        QVERIFY(form->windowTitle().endsWith("[LogBook NOT on disk - kept in memory]"));
        const QStringList memory = form->logBook().lines();
        QCOMPARE(memory.size(), 1);
        QString holder = file("QZVHF.LOG");
        if (sessionEnds) {
            QDir().mkpath(file("QZVHF.LOG.new")); // the rewrite cannot make its new file
            form->ShutDown(true);
            const QStringList rescued = QDir(m_dir->path()).entryList({ "QZVHF-rescue-*.LOG" });
            QCOMPARE(rescued.size(), 1);
            holder = m_dir->filePath(rescued.first());
            QVERIFY(m_messages.constLast().contains(holder));
            QCOMPARE(form->settings().logFileName, holder); // the next start loads it
        } else {
            form->close();
        }
        QCOMPARE(ParseLogFile(readAll(holder)).lines, memory);
    }

    void roadOfOneContact()
    {
        auto form = start();
        QCOMPARE(focus(), box(*form, "CallsignN"));
        type("vk3abc");
        QCOMPARE(box(*form, "CallsignN")->text(), QStringLiteral("VK3ABC"));
        enter();
        QCOMPARE(focus(), box(*form, "NameN"));
        type("peter");
        enter();
        QCOMPARE(box(*form, "NameN")->text(), QStringLiteral("Peter"));
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        m_clock->advance(45);
        type("12");
        enter();

        const QString line = FormatLogLine(
            "2m", "FM", "001", "VK3ABC", "Peter", "012", "10:01", "08-15-2026", "1");
        QCOMPARE(
            form->findChild<QListView*>("LogBook")->model()->index(0, 0).data().toString(), line);
        QCOMPARE(readAll(file("QZVHF.LOG")),
            QByteArray("\"08-15-2026\",\"10:01\",\"2m\",\"FM\",\"VK3ABC\",\"001\",\"012\",1,"
                       "\"Peter\"\r\n"));
        QCOMPARE(box(*form, "RSTTxN")->text(), QStringLiteral("    002"));
        QVERIFY(box(*form, "CallsignN")->text().isEmpty());
        QVERIFY(box(*form, "NameN")->text().isEmpty());
        QVERIFY(box(*form, "RSTRxN")->text().isEmpty());
        QCOMPARE(focus(), box(*form, "CallsignN"));
        QCOMPARE(form->findChild<QLabel*>("PointsTotal")->text(), QStringLiteral("1"));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Ready for new log entry..."));
        QVERIFY(m_messages.isEmpty());
    }

    void functionKeysStepBandAndMode()
    {
        auto form = start();
        QTest::keyClick(focus(), Qt::Key_F8, Qt::ShiftModifier);
        QCOMPARE(box(*form, "BandN")->text(), QStringLiteral("70cm"));
        QTest::keyClick(focus(), Qt::Key_F7);
        QTest::keyClick(focus(), Qt::Key_F7);
        QCOMPARE(box(*form, "BandN")->text(), QStringLiteral("6m"));
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(focus(), Qt::Key_F6);
        QCOMPARE(box(*form, "ModeN")->text(), QStringLiteral("CW"));
        QCOMPARE(box(*form, "PointsN")->text(), QStringLiteral("2"));
        QVERIFY(box(*form, "CallsignN")->text().isEmpty()); // F-keys type nothing
    }

    // Keys that arrive while a handler lets events run wait for it, and then go in order. A
    // callsign in the station's own call area lets events run in the middle of the commit.
    void burstOfKeysDuringACommit()
    {
        auto form = start();
        type("vk6abc");
        enter();
        type("al");
        enter();
        type("12");
        m_eventsHook = [] {
            enter(); // a second Enter on the same report
            type("vk2xyz"); // the next callsign, typed ahead
            enter();
        };
        enter();
        QCOMPARE(form->logBook().rowCount(), 1);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).callsign, QStringLiteral("VK6ABC"));
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).rstReceived, QStringLiteral("012"));
        QCOMPARE(focus(), box(*form, "NameN"));
        QCOMPARE(box(*form, "CallsignN")->text(), QStringLiteral("VK2XYZ"));
        QCOMPARE(form->entry().record().callsign, QStringLiteral("VK2XYZ"));
        type("bo");
        enter();
        type("7");
        enter();
        QCOMPARE(form->logBook().rowCount(), 2);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(1)).callsign, QStringLiteral("VK2XYZ"));
        QCOMPARE(ParseLogFile(readAll(file("QZVHF.LOG"))).lines, form->logBook().lines());
    }

    // A repeat shown with the logged contact's time, typed through fast, is stamped with the
    // time of its own.
    void fastRepeatIsStampedWithItsOwnTime()
    {
        auto form = start();
        for (const char* k : { "vk3abc", "al", "12" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        m_clock->advance(150 * 60); // no tick in between
        for (const char* k : { "vk3abc", "", "34" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        QCOMPARE(form->logBook().rowCount(), 2);
        QCOMPARE(ParseLogLine(form->logBook().lines().at(1)).time, QStringLiteral("12:30"));
    }

    // Even with every colour of the scheme the same, a refused repeat is never logged.
    void equalColoursCannotLogARefusedRepeat()
    {
        QByteArray colours = "[COLOUR]\r\n";
        for (const char* k : { "GoodQSO", "BadQSO", "EntryBox", "ListBox", "TitleColour",
                 "Features", "TextLabel", "FunctionT", "FunctionL", "FunctionB", "ColourForm" })
            colours += QByteArray(k) + "=255\r\n";
        auto form = start(colours);
        for (const char* k : { "vk3abc", "al", "12", "vk3abc" }) {
            type(QString::fromLatin1(k));
            enter();
        }
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        box(*form, "RSTRxN")->clear();
        type("45");
        enter();
        QCOMPARE(form->logBook().rowCount(), 1);
    }

    static QLabel* label(TQZMainForm& form, const QString& name)
    {
        return form.findChild<QLabel*>(name);
    }
    static QAction* action(TQZMainForm& form, const char* name)
    {
        return form.findChild<QAction*>(QString::fromLatin1(name));
    }
    void logContacts(const QStringList& calls)
    {
        for (const QString& call : calls) {
            for (const QString& k : { call, QStringLiteral("al"), QStringLiteral("12") }) {
                type(k);
                enter();
            }
            m_clock->advance(60);
        }
    }
    static void selectRow(TQZMainForm& form, int row)
    {
        auto* list = form.findChild<QListView*>("LogBook");
        list->selectionModel()->select(
            list->model()->index(row, 0), QItemSelectionModel::ClearAndSelect);
    }

    // Each function key, with and without Shift, and a click on its label, runs its command.
    void keysAndLabelsRunTheirCommands_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("how"); // 0 key, 1 Shift+key, 2 label click
        for (int n = 1; n <= 10; ++n) {
            for (int how = 0; how < 3; ++how)
                QTest::addRow("F%d %s", n,
                    how == 0       ? "key"
                        : how == 1 ? "shift"
                                   : "label")
                    << n << how;
        }
    }
    void keysAndLabelsRunTheirCommands()
    {
        QFETCH(int, n);
        QFETCH(int, how);
        auto form
            = start("[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\nLogBookFullScreen=0\r\n");
        type("vk3");
        const DisplayTicks before = form->displayTicks();
        if (how == 2)
            QTest::mouseClick(label(*form, QStringLiteral("F%1Bottom").arg(n)), Qt::LeftButton);
        else
            QTest::keyClick(focus(), Qt::Key(Qt::Key_F1 + n - 1),
                how == 1 ? Qt::ShiftModifier : Qt::NoModifier);
        const DisplayTicks after = form->displayTicks();
        const QString band = box(*form, "BandN")->text(), mode = box(*form, "ModeN")->text();
        QCOMPARE(box(*form, "CallsignN")->text().isEmpty(), n == 1); // F1 clears the row
        QCOMPARE(m_messages.value(0).section('\r', 0, 0),
            n == 2       ? " There is nothing in the logbook to EDIT! "
                : n == 3 ? " You have not selected a logbook entry to DELETE! "
                         : "");
        QCOMPARE(after.summary != before.summary, n == 4);
        QCOMPARE(after.dupe != before.dupe, n == 9);
        QCOMPARE(mode, n == 6 ? "SSB" : "FM");
        QCOMPARE(band, n == 7 ? "6m" : n == 8 ? "70cm" : "2m");
        QCOMPARE(form->entry().marker100km(), false); // F5 is not bound, its label disabled
        QCOMPARE(form->isVisible(), n != 10);
        QCOMPARE(QFile::exists(file("DOVavoviv.ini"))
                && readAll(file("DOVavoviv.ini")).contains("Last="),
            n == 10);
    }

    // The Edit menu's entry clears the row like F1; the View entries carry the display ticks.
    void menuEntries()
    {
        auto form = start();
        type("vk3");
        action(*form, "ClearEntryF11")->trigger();
        QVERIFY(box(*form, "CallsignN")->text().isEmpty());
        QVERIFY(action(*form, "LogBookDisplay1")->isChecked());
        QVERIFY(!action(*form, "N100KMPointsF51")->isEnabled());
        action(*form, "DupeDisplay1")->trigger();
        QVERIFY(action(*form, "DupeDisplay1")->isChecked());
        QVERIFY(!action(*form, "LogBookDisplay1")->isChecked());
        QVERIFY(form->findChild<QLabel*>("CLOCK1")->isVisible()); // in the summary's place
        action(*form, "About1")->trigger();
        QCOMPARE(m_messages.constLast(),
            "Vandrel Contest Program. Version 1.50\rFor Amateur Radio QZ Contest ");
    }

    // F2 brings the selected line into the row; the commit rewrites it in place, with the
    // file before it as the backup; F1 leaves the file alone; F3 deletes the line and gives
    // the last serial to the next contact.
    void editCommitCancelDelete()
    {
        auto form = start();
        logContacts({ "vk3abc", "vk2xyz", "zl1aa" });
        const QByteArray logged = readAll(file("QZVHF.LOG"));
        auto* list = form->findChild<QListView*>("LogBook");
        const QRect second = list->visualRect(list->model()->index(1, 0));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(form->entry().editPending(), true);
        QCOMPARE(focus(), box(*form, "NameN"));
        QCOMPARE(box(*form, "CallsignN")->text(), "VK2XYZ");
        QCOMPARE(box(*form, "TimeUTC")->text(), "10:01");
        QCOMPARE(box(*form, "RSTTxN")->text(), "    002");
        m_clock->advance(120);
        form->SecondTickTimerTimer();
        QCOMPARE(box(*form, "TimeUTC")->text(), "10:01"); // frozen while editing
        box(*form, "NameN")->clear();
        type("kim");
        enter();
        enter();
        QStringList expected = ParseLogFile(logged).lines;
        expected[1]
            = FormatLogLine("2m", "FM", "002", "VK2XYZ", "Kim", "012", "10:01", "08-15-2026", "1");
        QCOMPARE(ParseLogFile(readAll(file("QZVHF.LOG"))).lines, expected);
        QCOMPARE(readAll(file("QZVHF.BAK")), logged);
        QVERIFY(!form->entry().editPending());

        const QByteArray edited = readAll(file("QZVHF.LOG"));
        selectRow(*form, 0);
        QTest::keyClick(focus(), Qt::Key_F2);
        QTest::keyClick(focus(), Qt::Key_F1);
        QVERIFY(!form->entry().editPending());
        QVERIFY(list->selectionModel()->selectedRows().isEmpty());
        QCOMPARE(readAll(file("QZVHF.LOG")), edited);

        selectRow(*form, 2);
        QTest::keyClick(focus(), Qt::Key_F2);
        QTest::keyClick(focus(), Qt::Key_F3);
        QCOMPARE(ParseLogFile(readAll(file("QZVHF.LOG"))).lines, expected.mid(0, 2));
        QCOMPARE(readAll(file("QZVHF.BAK")), edited);
        QCOMPARE(box(*form, "RSTTxN")->text(), "    003");
        QCOMPARE(form->findChild<QLabel*>("PointsTotal")->text(), "2");
        logContacts({ "vk4bb" });
        QCOMPARE(ParseLogLine(form->logBook().lines().at(2)).rstSent, "003");
    }

    // A click on another line during an edit is refused and told; the commit or the delete acts
    // on the line brought into the row; a double click on a line still reloads the row.
    void editKeepsItsLine_data()
    {
        QTest::addColumn<bool>("remove");
        QTest::newRow("commit") << false;
        QTest::newRow("delete") << true;
    }
    void editKeepsItsLine()
    {
        QFETCH(bool, remove);
        auto form = start();
        logContacts({ "vk3abc", "vk3abd", "vk3abe" });
        auto* list = form->findChild<QListView*>("LogBook");
        auto at
            = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(2));
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(0)); // reloads the row
        QCOMPARE(box(*form, "CallsignN")->text(), "VK3ABC");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(1));
        QTRY_COMPARE(label(*form, "StatusPanel")->text(),
            "  Finish the edit (Enter) or clear it (F1) before picking another line...");
        QCOMPARE(list->selectionModel()->selectedRows().value(0).row(), 0);
        type("bo");
        // Off the lines a double click picks none: the correction stays.
        QTest::mouseDClick(
            list->viewport(), Qt::LeftButton, {}, { 5, list->viewport()->height() - 5 });
        if (remove) {
            QTest::keyClick(focus(), Qt::Key_F3);
        } else {
            enter();
            enter();
        }
        QStringList calls;
        for (const QString& line : form->logBook().lines())
            calls << ParseLogLine(line).callsign + ' ' + ParseLogLine(line).name;
        const QStringList expected = remove ? QStringList { "VK3ABD Al", "VK3ABE Al" }
                                            : QStringList { "VK3ABC Bo", "VK3ABD Al", "VK3ABE Al" };
        QCOMPARE(calls, expected);
    }

    // A click refused during an edit that is then cleared is not told against the next one.
    void pickRefusalEndsWithItsEdit()
    {
        auto form = start();
        logContacts({ "vk3abc", "vk3abd" });
        auto* list = form->findChild<QListView*>("LogBook");
        auto at
            = [list](int row) { return list->visualRect(list->model()->index(row, 0)).center(); };
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at(0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(1)); // refused
        QTest::keyClick(focus(), Qt::Key_F1);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at(1));
        QTest::keyClick(focus(), Qt::Key_F2);
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QCOMPARE(box(*form, "CallsignN")->text(), "VK3ABD");
        QCOMPARE(label(*form, "StatusPanel")->text(), "  Ready for new log entry...");
    }

    // What the row shows for an allowed repeat or an edit is replaced by what is typed.
    void typingReplacesWhatTheRowShows()
    {
        auto form = start("[TIME]\r\nRepeatContactTimeHrs=1\r\n");
        logContacts({ "vk3abc" });
        m_clock->advance(3600);
        form->SecondTickTimerTimer();
        type("vk3abc");
        enter();
        QCOMPARE(box(*form, "NameN")->text(), "Al"); // the logged name, on show
        type("bo");
        enter();
        type("34");
        enter();
        QCOMPARE(ParseLogLine(form->logBook().lines().at(1)).name, "Bo");
        selectRow(*form, 0);
        QTest::keyClick(focus(), Qt::Key_F2);
        type("kim");
        enter();
        type("56");
        enter();
        const LogFields edited = ParseLogLine(form->logBook().lines().at(0));
        QCOMPARE(edited.name + ' ' + edited.rstReceived, "Kim 056");
    }

    // A function key pressed in the name or the received-report box acts once.
    void functionKeysActOnceInEveryBox()
    {
        auto form = start();
        type("vk3abc");
        enter();
        QTest::keyClick(focus(), Qt::Key_F8);
        QCOMPARE(box(*form, "BandN")->text(), "70cm");
        type("al");
        enter();
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        QTest::keyClick(focus(), Qt::Key_F7);
        QCOMPARE(box(*form, "BandN")->text(), "2m");
    }

    // A key a box passed on is not run again by the window; the same key pressed again once the
    // focus has left the boxes is a press of its own, though it may come in the same place and
    // with the same time (synthetic keys have none).
    void sameKeyAgainAfterTheFocusLeft()
    {
        auto form = start();
        QTest::keyClick(focus(), Qt::Key_F8);
        const QString first = box(*form, "BandN")->text();
        QVERIFY(first != "2m");
        focus()->clearFocus();
        QCOMPARE(focus(), nullptr);
        QTest::keyClick(form.get(), Qt::Key_F8);
        QVERIFY(box(*form, "BandN")->text() != first);
    }

    // A repeat in the own call area goes straight to the report and holds the clock; committed
    // after the finish, it is refused like every contact still in the row then.
    void heldRepeatAfterTheFinishIsNotLogged()
    {
        m_clock->setUtc(QDate(2026, 8, 16), QTime(7, 59, 40), 8 * 3600);
        auto form = start(
            {}, "\"08-16-2026\",\"05:00\",\"40m\",\"SSB\",\"VK6ABC\",\"001\",\"012\",0,\"Al\"\r\n");
        type("vk6abc");
        enter();
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        m_clock->advance(30);
        form->SecondTickTimerTimer(); // held: the time of the logged contact stays on show
        type("123");
        enter();
        QCOMPARE(form->logBook().rowCount(), 1);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().startsWith("   You can not work any stations outside"));
        QCOMPARE(label(*form, "TimeStatusPanel")->text(), " CONTEST TIME IS OVER!  ");
    }

    // A click in the name or received-report box stands for the ENTER step or is refused; one
    // in the callsign box puts the focus there.
    void mouseGuard()
    {
        auto form = start();
        QTest::mouseClick(box(*form, "NameN"), Qt::LeftButton);
        QCOMPARE(focus(), box(*form, "CallsignN"));
        QCOMPARE(label(*form, "StatusPanel")->text(),
            " Please use the ENTER key to move between boxes....");
        label(*form, "StatusPanel")->clear();
        QTest::mouseClick(box(*form, "RSTRxN"), Qt::LeftButton);
        QCOMPARE(focus(), box(*form, "CallsignN"));
        type("vk3abc");
        QTest::mouseClick(box(*form, "NameN"), Qt::LeftButton); // the callsign step
        QCOMPARE(focus(), box(*form, "NameN"));
        QCOMPARE(box(*form, "CallsignN")->text(), "VK3ABC");
        type("al");
        QTest::mouseClick(box(*form, "RSTRxN"), Qt::LeftButton); // the name step
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        QCOMPARE(box(*form, "NameN")->text(), "Al");
        // The sent report is corrected by hand; ENTER goes back.
        QTest::mouseClick(box(*form, "RSTTxN"), Qt::LeftButton);
        QCOMPARE(focus(), box(*form, "RSTTxN"));
        box(*form, "RSTTxN")->clear();
        type("59005");
        enter();
        QCOMPARE(focus(), box(*form, "RSTRxN"));
        type("12");
        enter();
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).rstSent, "59005");
        // During an edit the callsign box takes a click: a logged callsign can be corrected.
        selectRow(*form, 0);
        QTest::keyClick(focus(), Qt::Key_F2);
        QTest::mouseClick(box(*form, "CallsignN"), Qt::LeftButton);
        QCOMPARE(focus(), box(*form, "CallsignN"));
    }

    // Clicks, menu commands and a close that arrive while a commit lets events run wait for
    // it, and then run in order.
    void commandsWaitForTheHandler()
    {
        auto form = start();
        type("vk6abc"); // own call area: the commit lets events run
        enter();
        type("al");
        enter();
        type("12");
        m_eventsHook = [&] {
            QTest::mouseClick(label(*form, "F8Bottom"), Qt::LeftButton);
            action(*form, "ClearEntryF11")->trigger();
            form->close();
            QVERIFY(form->isVisible());
        };
        enter();
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).band, "2m");
        QCOMPARE(box(*form, "BandN")->text(), "70cm");
        QVERIFY(!form->isVisible());
    }

    // A double click held during a commit edits the line it was on, though the append has
    // scrolled the list under it; input during the shut-down's pause never runs.
    void heldInputKeepsItsLineAndEndsWithTheShutDown()
    {
        auto form = start();
        QStringList calls;
        for (char c = 'a'; c <= 'z'; ++c) // more than the list shows
            calls << QStringLiteral("vk3a%1a").arg(QLatin1Char(c));
        logContacts(calls);
        auto* list = form->findChild<QListView*>("LogBook");
        const QPoint place = list->visualRect(list->model()->index(20, 0)).center();
        type("vk6abc"); // own call area: the commit lets events run
        enter();
        type("al");
        enter();
        type("12");
        m_eventsHook = [&] { QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place); };
        enter();
        QCOMPARE(form->logBook().rowCount(), 27);
        QVERIFY(list->indexAt(place).row() != 20);
        QCOMPARE(box(*form, "CallsignN")->text(), "VK3AUA");
        QTest::keyClick(focus(), Qt::Key_F1);

        m_eventsHook = [&] { QTest::keyClick(focus(), Qt::Key_F8); };
        form->close();
        QCOMPARE(box(*form, "BandN")->text(), "2m");
    }

    // New Log asks first when the log holds contacts (naming the file and their number), and
    // a "no" changes nothing; with an empty log there is no question.
    void newLogAsksFirst()
    {
        auto form = start();
        action(*form, "NewLog1")->trigger();
        QVERIFY(m_questions.isEmpty());
        logContacts({ "vk3abc", "vk2xyz" });
        const QByteArray logged = readAll(file("QZVHF.LOG"));
        action(*form, "NewLog1")->trigger();
        QCOMPARE(m_questions.size(), 1);
        QVERIFY(m_questions.first().contains(file("QZVHF.LOG")));
        QVERIFY(m_questions.first().contains("holds 2 contact(s)"));
        QCOMPARE(form->logBook().rowCount(), 2);
        QCOMPARE(readAll(file("QZVHF.LOG")), logged);
        m_answer = true;
        action(*form, "NewLog1")->trigger();
        QCOMPARE(form->logBook().rowCount(), 0);
        QCOMPARE(readAll(file("QZVHF.BAK")), logged);
        QCOMPARE(label(*form, "PointsTotal")->text(), "0");
    }

    // The dupe lists and the summary show the log; the drum turns past the rows it shows;
    // Open brings another log's lists.
    void displaysShowTheLog()
    {
        QByteArray log;
        for (int i = 0; i < 30; ++i)
            log += "\"08-15-2026\",\"07:00\",\"2m\",\"FM\",\"VK1A"
                + QByteArray(1, char('A' + i / 26)) + QByteArray(1, char('A' + i % 26))
                + "\",\"59001\",\"59012\",1,\"Al\"\r\n";
        log += "\"08-15-2026\",\"09:50\",\"70cm\",\"CW\",\"ZL2XY\",\"599007\",\"599003\",2,"
               "\"A\"\r\n";
        auto form = start("[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\nLogBookFullScreen=0\r\n"
                          "[TIME]\r\nRepeatContactTimeHrs=2\r\n",
            log);
        auto* allowed = form->findChild<DrumList*>("AllowedList");
        auto* wait = form->findChild<DrumList*>("WaitList");
        auto* summary = form->findChild<DrumList*>("SummaryBox");
        QVERIFY(allowed->isVisible() && summary->isVisible());
        QVERIFY(allowed->rows() < 30);
        QCOMPARE(allowed->entries().size(), allowed->rows());
        QCOMPARE(allowed->entries().first(), "VK1AAA  2m    FM");
        QCOMPARE(wait->entries(), QStringList { "ZL2XY   70cm  CW" });
        QCOMPARE(summary->entries(),
            QStringList({ "2m       30   30   0    0", "70cm     1    0    0    2" }));
        for (int i = 0; i < allowed->textHeight(); ++i)
            form->ScrollTimer1Timer();
        QCOMPARE(allowed->entries().first(), "VK1ABD  2m    FM");
        QCOMPARE(wait->entries(), QStringList { "ZL2XY   70cm  CW" }); // one entry stands

        writeFile(file("RUN2.LOG"), log.left(log.indexOf('\n') + 1));
        m_chosenFile = file("RUN2.LOG");
        action(*form, "OpenLog1")->trigger();
        QCOMPARE(allowed->entries(), QStringList { "VK1AAA  2m    FM" });
        QVERIFY(wait->entries().isEmpty());
        QCOMPARE(label(*form, "PointsTotal")->text(), "1");
        QVERIFY(form->windowTitle().endsWith("RUN2.LOG"));
    }

    // A wave cue that cannot be played is told once a file, at the start or once it is gone.
    void unplayableCueToldOnce()
    {
        const QString wave = file("cue.wav");
        auto form = start("[SETTINGS]\r\nErrorSoundFile=" + wave.toLatin1() + "\r\n");
        auto status = [&form] { return form->findChild<QLabel*>("StatusPanel")->text(); };
        QCOMPARE(status(), "  The sound " + wave + " will not be played: it is not a file");
        QTest::keyClick(focus(), Qt::Key_F1);
        const QString cleared = status();
        QTest::keyClick(focus(), Qt::Key_F2); // nothing to edit: the error cue
        QCOMPARE(status(), cleared);

        // 8000 Hz, 16-bit mono, two samples.
        static const char bytes[] = "RIFF\x2c\0\0\0WAVEfmt \x10\0\0\0\1\0\1\0\x40\x1f\0\0"
                                    "\x80\x3e\0\0\2\0\x10\0data\4\0\0\0\1\0\1\0";
        writeFile(wave, QByteArray(bytes, sizeof bytes - 1));
        QTest::keyClick(focus(), Qt::Key_F2); // heard
        QCOMPARE(status(), cleared);
        QFile::remove(wave);
        QTest::keyClick(focus(), Qt::Key_F2);
        QCOMPARE(status(), "  The sound " + wave + " was not played: it is not a file");
        QCOMPARE(m_messages.count(" There is nothing in the logbook to EDIT! "), 3);

        // A refusal whose cue is not heard keeps its own word; the note follows it.
        logContacts({ "vk3abc" });
        form->settings().dupeSoundFile = file("gone.wav");
        type("vk3abc");
        enter();
        QCOMPARE(status(),
            "  Station already worked previously and repeat contact not allowed yet...  The sound "
                + file("gone.wav") + " was not played: it is not a file");
    }

    // The minute rebuilds the dupe lists under an open options dialog.
    void minuteRebuildsUnderAnOpenDialog()
    {
        auto form = start("[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\n"
                          "LogBookFullScreen=0\r\n",
            "\"08-15-2026\",\"08:01\",\"2m\",\"FM\",\"ZL2XY\",\"59001\",\"59012\",1,\"A\"\r\n");
        auto* allowed = form->findChild<DrumList*>("AllowedList");
        auto* wait = form->findChild<DrumList*>("WaitList");
        QCOMPARE(wait->entries(), QStringList { "ZL2XY   2m    FM" });
        form->settingsForm().ShowForm();
        m_clock->advance(120);
        form->SecondTickTimerTimer();
        QVERIFY(form->settingsForm().isVisible());
        QCOMPARE(allowed->entries(), QStringList { "ZL2XY   2m    FM" });
        QVERIFY(wait->entries().isEmpty());
    }

    // Every key a person can press, in whatever box has the focus, and pastes of what the file
    // cannot hold: nothing crashes and the file stays whole.
    void everyKeyInEveryBox()
    {
        auto form = start();
        QList<int> keys;
        for (int k = 0x20; k <= 0xff; ++k)
            keys.append(k);
        for (int k = Qt::Key_Escape; k <= Qt::Key_PageDown; ++k)
            keys.append(k);
        for (int k = Qt::Key_F1; k <= Qt::Key_F12; ++k)
            keys.append(k);
        const Qt::KeyboardModifiers mods[]
            = { Qt::NoModifier, Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier };
        QRandomGenerator rng(42);
        const QString pastes[] = { QString::fromUtf8("VK3,\"AB\"\nC\u20ac\U0001F600"),
            QString::fromUtf8("J\u00f6rg,\"x\""), QString(300, QLatin1Char('9')) };
        for (int round = 0; round < 4000; ++round) {
            const int key = keys.at(rng.bounded(keys.size()));
            if (key == Qt::Key_F10 || key == Qt::Key_Escape)
                continue; // quitting is another test
            if (round % 97 == 0) {
                QApplication::clipboard()->setText(pastes[rng.bounded(3)]);
                QTest::keyClick(focus(), Qt::Key_V, Qt::ControlModifier);
            } else if (round % 5 == 0) {
                enter();
            } else {
                const Qt::KeyboardModifiers mod = mods[rng.bounded(4)];
                const QString text = key < 0x100 && !(mod & (Qt::ControlModifier | Qt::AltModifier))
                    ? QString(QChar(mod & Qt::ShiftModifier ? key : QChar(key).toLower().unicode()))
                    : QString();
                QKeyEvent press(QEvent::KeyPress, key, mod, text);
                QApplication::sendEvent(focus(), &press);
                QKeyEvent release(QEvent::KeyRelease, key, mod, text);
                QApplication::sendEvent(focus(), &release);
            }
            if (round % 50 == 0) {
                m_clock->advance(61);
                form->SecondTickTimerTimer();
            }
            for (const char* name : { "RSTTxN", "CallsignN", "NameN", "RSTRxN" }) {
                const QString t = box(*form, name)->text();
                QVERIFY2(t == FilterEntryText(t, EntryKind::Name), qPrintable(t));
            }
        }
        const QByteArray bytes = readAll(file("QZVHF.LOG"));
        const LoadedLog loaded = ParseLogFile(bytes);
        QCOMPARE(loaded.lines, form->logBook().lines());
        QVERIFY(loaded.problems.isEmpty());
        for (const QByteArray& record : bytes.split('\n')) {
            if (!record.isEmpty())
                QCOMPARE(record.count(','), 8);
        }
        qInfo("%lld contacts logged from random keys",
            static_cast<long long>(form->logBook().rowCount()));
    }

    static QByteArray record(const char* time, const char* band, const char* call, const char* name)
    {
        return QByteArray("\"08-15-2026\",\"") + time + "\",\"" + band + "\",\"FM\",\"" + call
            + "\",\"001\",\"012\",1,\"" + name + "\"\r\n";
    }

    QByteArray historyIni(const QByteArray& lines)
    {
        writeFile(file("history.txt"), lines);
        return "[FILES]\r\nCallHistoryFile=" + file("history.txt").toLocal8Bit() + "\r\n";
    }

    // The name of a station in the call history is put in the name box, selected: typing
    // replaces it, ENTER takes it.
    void nameFromTheCallHistory_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("logged");
        QTest::newRow("ENTER takes it") << ""
                                        << "Kim";
        QTest::newRow("typing replaces it") << "jo"
                                            << "Jo";
    }

    void nameFromTheCallHistory()
    {
        QFETCH(QString, typed);
        QFETCH(QString, logged);
        auto form = start(historyIni("VK3XYZ,Kim\r\nVK3ABC Peter\r\n\r\nVK3ABC,Pete\r\n"));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Call history: 2 names read, 1 line skipped"));
        type("3xyz");
        enter();
        QCOMPARE(focus(), box(*form, "NameN"));
        QCOMPARE(box(*form, "NameN")->text(), QStringLiteral("Kim"));
        QCOMPARE(box(*form, "NameN")->selectedText(), QStringLiteral("Kim"));
        type(typed);
        enter();
        type("12");
        enter();
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).name.trimmed(), logged);
    }

    // The log's name wins over the file's; a file that is not there is told, once.
    void nameFromTheLogBeforeTheHistory()
    {
        auto form = start(historyIni("VK3ABC,Jim\n"), record("09:00", "6m", "VK3ABC", "Peter"));
        type("vk3abc");
        enter();
        QCOMPARE(box(*form, "NameN")->text(), QStringLiteral("Peter"));
        form->close();
        form.reset();
        QFile::remove(file("history.txt"));
        form = start("[FILES]\r\nCallHistoryFile=" + file("history.txt").toLocal8Bit() + "\r\n");
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Call history %1 could not be read - no names from it...")
                .arg(file("history.txt")));
        type("vk3abc");
        enter();
        QVERIFY(box(*form, "NameN")->text().isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    // The settings dialog names the file, chosen with "..."; OK reads it.
    void callHistoryChosenInTheSettings()
    {
        auto form = start();
        writeFile(file("names.csv"), "VK3XYZ,Kim\n");
        TSettingsForm& dialog = form->settingsForm();
        m_chosenFile = file("names.csv");
        auto* chooser = dialog.findChild<QPushButton*>("CallHistoryButton");
        QCOMPARE(chooser->accessibleName(), QStringLiteral("Choose the call history file"));
        dialog.CallHistoryButtonClick();
        auto* path = dialog.findChild<QLineEdit*>("CallHistoryBox");
        QCOMPARE(path->text(), QDir::toNativeSeparators(file("names.csv")));
        dialog.OKButtonClick();
        QCOMPARE(form->settings().callHistoryFile, QDir::toNativeSeparators(file("names.csv")));
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(),
            QStringLiteral("  Call history: 1 name read"));
        type("vk3xyz");
        enter();
        QCOMPARE(box(*form, "NameN")->text(), QStringLiteral("Kim"));
        form->close();
        QVERIFY(readAll(file("DOVavoviv.ini")).contains("CallHistoryFile="));
    }

    // The partial check follows the callsign box as it is typed.
    void partialCheckFollowsTyping()
    {
        auto form = start({},
            record("09:00", "2m", "VK3ABC", "Al") + record("09:10", "70cm", "VK3ABC", "Al")
                + record("09:20", "20m", "VK3ABD", "Bo") + record("09:30", "6m", "ZL1XYZ", "Cy"));
        auto* hint = form->findChild<QLabel*>("PartialCheck");
        QCOMPARE(QAccessible::queryAccessibleInterface(hint)->text(QAccessible::Name),
            QStringLiteral("Partial callsign check"));
        QVERIFY(hint->text().isEmpty());
        type("a");
        QVERIFY(hint->text().isEmpty());
        type("b");
        QCOMPARE(hint->text(), QStringLiteral("VK3ABD 20m   VK3ABC 2m 70cm"));
        type("c");
        QCOMPARE(hint->text(), QStringLiteral("VK3ABC 2m 70cm"));
        QTest::keyClick(focus(), Qt::Key_Backspace);
        QTest::keyClick(focus(), Qt::Key_Backspace);
        QVERIFY(hint->text().isEmpty());
        // It covers nothing: under the entry row, above the function keys.
        const QRect row = box(*form, "CallsignN")->geometry();
        const QRect keys = form->findChild<QLabel*>("F1Top")->geometry();
        QVERIFY(hint->isVisible());
        QVERIFY(hint->geometry().top() >= row.bottom());
        QVERIFY(hint->geometry().bottom() < keys.top());
    }

    // ENTER on a band or a frequency in the callsign box selects the band.
    void bandTypedInTheCallsignBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("status");
        QTest::newRow("band name") << "20m"
                                   << "20m"
                                   << "1"
                                   << "  Band changed to 20m...";
        QTest::newRow("70cm") << "70cm"
                              << "70cm"
                              << "1"
                              << "  Band changed to 70cm...";
        QTest::newRow("MHz") << "144.1"
                             << "2m"
                             << "1"
                             << "  Band changed to 2m...";
        QTest::newRow("kHz") << "7050"
                             << "40m"
                             << "1"
                             << "  Band changed to 40m...";
        QTest::newRow("MHz read from a whole number") << "1296"
                                                      << "23cm"
                                                      << "2"
                                                      << "  Band changed to 23cm...";
        QTest::newRow("in no band") << "14.5"
                                    << "2m"
                                    << ""
                                    << "  14.5 is in no band - the band is unchanged...";
    }

    void bandTypedInTheCallsignBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, band);
        QFETCH(QString, points);
        QFETCH(QString, status);
        auto form = start();
        QCOMPARE(box(*form, "BandN")->text().trimmed(), QStringLiteral("2m"));
        type(typed);
        enter();
        QCOMPARE(box(*form, "BandN")->text().trimmed(), band);
        QCOMPARE(box(*form, "PointsN")->text().trimmed(), points);
        QCOMPARE(form->findChild<QLabel*>("StatusPanel")->text(), status);
        QVERIFY(box(*form, "CallsignN")->text().isEmpty());
        QCOMPARE(focus(), box(*form, "CallsignN"));
        QVERIFY(form->logBook().lines().isEmpty());
        // The next contact is on the band chosen.
        type("vk3abc");
        enter();
        type("al");
        enter();
        type("12");
        enter();
        QCOMPARE(ParseLogLine(form->logBook().lines().at(0)).band.trimmed(), band);
    }

    // During an edit a band typed in the callsign box moves the contact to that band; the
    // callsign being edited comes back into its box.
    void bandTypedDuringAnEdit()
    {
        auto form = start({}, record("09:00", "2m", "VK3ABC", "Al"));
        selectRow(*form, 0);
        QTest::keyClick(focus(), Qt::Key_F2);
        QVERIFY(form->entry().editPending());
        QTest::mouseClick(box(*form, "CallsignN"), Qt::LeftButton);
        QCOMPARE(focus(), box(*form, "CallsignN"));
        box(*form, "CallsignN")->selectAll();
        type("6m");
        enter();
        QCOMPARE(box(*form, "BandN")->text().trimmed(), QStringLiteral("6m"));
        QCOMPARE(box(*form, "CallsignN")->text(), QStringLiteral("VK3ABC"));
        QVERIFY(form->entry().editPending());
        box(*form, "RSTRxN")->setFocus();
        enter();
        QVERIFY(!form->entry().editPending());
        QCOMPARE(form->logBook().lines().size(), 1);
        const LogFields f = ParseLogLine(form->logBook().lines().at(0));
        QCOMPARE(f.band.trimmed(), QStringLiteral("6m"));
        QCOMPARE(f.callsign.trimmed(), QStringLiteral("VK3ABC"));
    }
};

QTEST_MAIN(TestEntryWindow)
#include "tst_entrywindow.moc"
