#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "CallHistory.h"
#include "ContactEntry.h"
#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"
#include "NullUi.h"
#include "TestClock.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

struct FakeUi : NullUi
{
    QStringList messages;
    QStringList cues;
    EntryFocus focus = EntryFocus::Callsign;
    int summaryRefreshes = 0;
    int settingsOpened = 0;
    QStringList morse;

    void showMessage(const QString& t) override { messages.append(t); }
    void errorCue() override { cues.append(QStringLiteral("error")); }
    void dupeCue() override { cues.append(QStringLiteral("dupe")); }
    void setEntryFocus(EntryFocus box) override { focus = box; }
    void refreshDupeAndSummary() override { ++summaryRefreshes; }
    void openSettingsDialog() override { ++settingsOpened; }
    void sendMorse(const QString& text, int) override { morse.append(text); }
    int selected = -1;
    int selectedLogRow() override { return selected; }
};

} // namespace

class TestContactEntry : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    ContestSettings m_settings;
    LogFileStore m_store;
    std::unique_ptr<LogBook> m_book;
    FakeUi m_ui;
    TestClock m_clock;
    std::unique_ptr<ContactEntry> m_entry;

    QString logPath() const { return m_dir->filePath(QStringLiteral("QZVHF.LOG")); }
    EntryRow& row() { return m_entry->row(); }

    // UTC 15 August 2026 10:00, local UTC+8, inside the contest.
    void setUtc(QTime t, QDate d = QDate(2026, 8, 15))
    {
        m_clock.setUtc(d, t, 8 * 3600);
        if (m_entry)
            tick();
    }

    void tick() { m_entry->SecondTickTimerTimer(); }

    void typeCallsign(const char* call)
    {
        row().callsign.text = QString::fromLatin1(call);
        m_entry->CallsignNEnter();
        m_entry->NormaliseCallsign();
    }

    // One whole contact through the three Enter steps.
    void logContact(const char* call, const char* name, const char* report)
    {
        typeCallsign(call);
        finishContact(name, report);
    }

    // The name, the received report unless null, and the commit.
    void finishContact(const char* name, const char* report = nullptr)
    {
        row().name.text = QString::fromLatin1(name);
        m_entry->NameStep();
        if (report)
            row().rstRx.text = QString::fromLatin1(report);
        m_entry->CommitEntry();
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QFile(logPath()).open(QIODevice::WriteOnly);
        m_settings = ContestSettings();
        m_settings.logFileName = logPath();
        m_settings.backupLogFileName = m_dir->filePath(QStringLiteral("QZVHF.BAK"));
        m_settings.callsign = QStringLiteral("VK6XYZ");
        m_settings.contestFinishDate = QDate(2026, 8, 16);
        m_settings.contestFinishTime = QTime(7, 59, 59);
        m_settings.doublePoints16 = false;
        m_store = LogFileStore();
        m_store.setSyncEnabled(false);
        m_book = std::make_unique<LogBook>(m_store);
        m_ui = FakeUi();
        m_entry.reset();
        setUtc(QTime(10, 0));
        m_entry = std::make_unique<ContactEntry>(m_settings, *m_book, m_ui, m_clock, m_ui);
        row().band.text = QStringLiteral("2m");
        row().mode.text = QStringLiteral("FM");
        tick();
    }

    void roadOfOneContact()
    {
        typeCallsign("3ABC");
        QCOMPARE(row().callsign.text, QStringLiteral("VK3ABC"));
        QCOMPARE(row().status.text,
            QStringLiteral("  VK prefix has been automatically added to callsign..."));
        QCOMPARE(m_ui.focus, EntryFocus::Name);
        row().name.text = QStringLiteral("peter");
        m_entry->NameStep();
        QCOMPARE(row().name.text, QStringLiteral("Peter"));
        QCOMPARE(row().rstTx.text, QStringLiteral("    001"));
        QCOMPARE(m_ui.focus, EntryFocus::RstRx);
        setUtc(QTime(10, 1, 30));
        row().rstRx.text = QStringLiteral("12");
        m_entry->CommitEntry();

        QCOMPARE(readAll(logPath()),
            QByteArray("\"08-15-2026\",\"10:01\",\"2m\",\"FM\",\"VK3ABC\",\"001\",\"012\",1,"
                       "\"Peter\"\r\n"));
        QCOMPARE(m_book->serialCounter(), 2);
        QCOMPARE(row().rstTx.text, QStringLiteral("    002"));
        QVERIFY(row().callsign.text.isEmpty() && row().name.text.isEmpty()
            && row().rstRx.text.isEmpty());
        QCOMPARE(row().status.text, QStringLiteral("  Ready for new log entry..."));
        QCOMPARE(m_ui.focus, EntryFocus::Callsign);
        QVERIFY(m_ui.messages.isEmpty() && m_ui.cues.isEmpty());
    }

    void previousPrefixAfterAFullCallsign()
    {
        logContact("VK3ABC", "Al", "5");
        typeCallsign("XY");
        QCOMPARE(row().callsign.text, QStringLiteral("VK3XY"));
        QCOMPARE(row().status.text,
            QStringLiteral("  Previous prefix has been automatically added to callsign..."));
    }

    void refusedCallsign()
    {
        typeCallsign("K1ABC");
        QVERIFY(row().callsign.text.isEmpty());
        QCOMPARE(row().status.text,
            QStringLiteral("  Please type in a callsign for the log first....."));
        QCOMPARE(m_ui.focus, EntryFocus::Callsign);
    }

    void autoRstReports()
    {
        m_settings.autoRST = true;
        m_entry->ClearEntry();
        QCOMPARE(row().rstTx.text, QStringLiteral("  59001"));
        m_entry->ChangeModeCommand(); // FM -> SSB
        m_entry->ChangeModeCommand(); // -> TV
        m_entry->ChangeModeCommand(); // -> Dgtl
        m_entry->ChangeModeCommand(); // -> CW
        QCOMPARE(row().mode.text, QStringLiteral("CW"));
        QCOMPARE(row().rstTx.text, QStringLiteral(" 599001"));
        QCOMPARE(row().points.text, QStringLiteral("2"));
        m_entry->ChangeModeCommand(); // -> Phone
        QCOMPARE(row().rstTx.text, QStringLiteral("  59001"));
    }

    void repeatInterval_data()
    {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QString>("timeStatus");
        QTest::newRow("119 minutes refused")
            << 119 << false << " Last worked 1 hrs 59 min ago. ( 1 min to go )";
        QTest::newRow("120 minutes allowed") << 120 << true << " Last worked 2 hrs 0 min ago. ";
    }

    void repeatInterval()
    {
        QFETCH(int, minutes);
        QFETCH(bool, allowed);
        QFETCH(QString, timeStatus);
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(10, 0).addSecs(minutes * 60));
        tick();
        typeCallsign("VK3ABC");
        QCOMPARE(row().timeStatus.text, timeStatus);
        QVERIFY(m_entry->repeatShown());
        QCOMPARE(row().time.text, QStringLiteral("10:00")); // the logged contact is on show
        if (allowed) {
            QCOMPARE(row().callsign.textColour, ColourRole::GoodQSO);
            QCOMPARE(row().status.text,
                QStringLiteral(
                    "  This station has been worked already. Repeat contact allowed..."));
            QCOMPARE(m_ui.focus, EntryFocus::Name);
            QVERIFY(m_ui.cues.isEmpty());
        } else {
            QCOMPARE(row().callsign.textColour, ColourRole::BadQSO);
            QCOMPARE(row().rstRx.text, QStringLiteral("012"));
            QCOMPARE(row().status.text,
                QStringLiteral(
                    "  Station already worked previously and repeat contact not allowed yet..."));
            QCOMPARE(row().status.background, ColourRole::TitleColour);
            QCOMPARE(m_ui.focus, EntryFocus::RstRx);
            QCOMPARE(m_ui.cues, QStringList { "dupe" });
        }
    }

    // The allowed repeat goes through the name step and is logged with its own time and serial.
    void allowedRepeatIsLoggedWithItsOwnTime()
    {
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(12, 30));
        logContact("VK3ABC", "Al", "34");
        QCOMPARE(m_book->rowCount(), 2);
        const LogFields f = ParseLogLine(m_book->lines().at(1));
        QCOMPARE(f.time, QStringLiteral("12:30"));
        QCOMPARE(f.rstSent, QStringLiteral("002"));
        QCOMPARE(f.rstReceived, QStringLiteral("034"));
    }

    // Pressing Enter in the report box again after a refusal never logs the contact.
    void refusedRepeatIsNeverLogged()
    {
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(10, 30));
        typeCallsign("VK3ABC");
        m_entry->CommitEntry();
        m_entry->CommitEntry();
        row().rstRx.text = QStringLiteral("99");
        m_entry->CommitEntry();
        QCOMPARE(m_book->rowCount(), 1);
        typeCallsign("VK3ABC");
        row().rstRx.text = QStringLiteral("45");
        m_entry->CommitEntry();
        QCOMPARE(m_book->rowCount(), 1);
    }

    // After a refused commit, the next station with the same report text is still logged.
    void refusedReportIsNotTakenForTheNextStation()
    {
        logContact("VK3ABC", "Al", "59012");
        setUtc(QTime(10, 30));
        typeCallsign("VK3ABC");
        row().rstRx.text = QStringLiteral("59012");
        m_entry->CommitEntry();
        logContact("VK3DEF", "Bo", "59012");
        QCOMPARE(m_book->rowCount(), 2);
        QCOMPARE(ParseLogLine(m_book->lines().at(1)).callsign, QStringLiteral("VK3DEF"));
    }

    // What no commit may log: each is refused with a text of its own, and nothing is written.
    void commitRefused_data()
    {
        QTest::addColumn<QByteArray>("log");
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("status");
        QTest::newRow("empty band") << QByteArray() << ""
                                    << "  No band or mode selected - the contact is not logged...";
        // The newest match is damaged; an older one, long enough ago, must not let it through.
        QTest::newRow("damaged newest match")
            << QByteArray("\"08-15-2026\",\"07:00\",\"2m\",\"FM\",\"VK3ABC\",\"001\",\"012\",1,"
                          "\"Al\"\r\n\"08-15-2026\",\"9x:00\",\"2m\",\"FM\",\"VK3ABC\",\"002\","
                          "\"013\",1,\"Al\"\r\n")
            << "2m"
            << "  The last contact with this station has a damaged time or date - please edit "
               "it...";
    }

    void commitRefused()
    {
        QFETCH(QByteArray, log);
        QFETCH(QString, band);
        QFETCH(QString, status);
        QVERIFY(writeFile(logPath(), log));
        m_book->LoadLogBook(m_settings, m_ui);
        row().band.text = band;
        typeCallsign("VK3ABC");
        const QString afterCallsign = row().status.text;
        row().rstRx.text = QStringLiteral("45");
        m_entry->CommitEntry();
        QCOMPARE(readAll(logPath()), log);
        QVERIFY(afterCallsign == status || row().status.text == status);
        QVERIFY(m_ui.cues.contains("error"));
    }

    // A received report that does not read keeps the contact (new or edited) in the row, told.
    void unreadReportKeepsTheRow_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("status");
        const QString letters
            = "  Received report %1 does not read (digits only) - please correct it...";
        QTest::newRow("1g") << false << "1g" << letters.arg("1g");
        QTest::newRow("5g9") << false << "5g9" << letters.arg("5g9");
        QTest::newRow("1234") << false << "1234"
                              << "  Received report 1234 does not read as a report and serial - "
                                 "please correct it...";
        QTest::newRow("edit 5g9") << true << "5g9" << letters.arg("5g9");
        QTest::newRow("ENTER before the report")
            << false << ""
            << "  Please type in the received report for the log first.....";
    }

    void unreadReportKeepsTheRow()
    {
        QFETCH(bool, edit);
        QFETCH(QString, typed);
        QFETCH(QString, status);
        if (edit) {
            logContact("VK3ABC", "Al", "12");
            m_ui.selected = 0;
            m_entry->EditContact();
        } else {
            typeCallsign("VK3ABC");
            row().name.text = QStringLiteral("Al");
            m_entry->NameStep();
        }
        const QByteArray before = readAll(logPath());
        m_ui.cues.clear();
        row().rstRx.text = typed;
        m_entry->CommitEntry();
        QCOMPARE(readAll(logPath()), before);
        QCOMPARE(row().callsign.text + ' ' + row().name.text + ' ' + row().rstRx.text,
            "VK3ABC Al " + typed);
        QCOMPARE(row().status.text, status);
        QCOMPARE(m_ui.cues, QStringList { "error" });
        QCOMPARE(m_ui.focus, EntryFocus::RstRx);
        QCOMPARE(m_entry->editPending(), edit);
        row().rstRx.text = QStringLiteral("13");
        m_entry->CommitEntry();
        QCOMPARE(m_book->rowCount(), 1);
        QCOMPARE(ParseLogLine(m_book->lines().constLast()).rstReceived, "013");
    }

    // A click in the callsign box while a repeat is on show starts a contact of its own: the
    // next call is checked afresh and logged with the next serial.
    void callsignClickDuringARepeat_data()
    {
        QTest::addColumn<QByteArray>("shown");
        QTest::addColumn<QByteArray>("typed");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("last"); // the newest line after the commit
        QTest::newRow("refused, then a new call")
            << QByteArray("VK3ABD") << QByteArray("VK3XYZ") << "  Ready for new log entry..."
            << "VK3XYZ 003 12:30";
        QTest::newRow("allowed, then a refused call")
            << QByteArray("VK3ABC") << QByteArray("VK3ABD")
            << "  Station already worked previously and repeat contact not allowed yet..."
            << "VK3ABD 002 12:00";
    }

    void callsignClickDuringARepeat()
    {
        QFETCH(QByteArray, shown);
        QFETCH(QByteArray, typed);
        QFETCH(QString, status);
        QFETCH(QString, last);
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(12, 0));
        logContact("VK3ABD", "Al", "12");
        setUtc(QTime(12, 30));
        typeCallsign(shown.constData());
        m_entry->CallsignNMouseDown();
        typeCallsign(typed.constData());
        QCOMPARE(row().status.text, status);
        finishContact("Bo", "34");
        const LogFields f = ParseLogLine(m_book->lines().constLast());
        QCOMPARE(f.callsign + ' ' + f.rstSent + ' ' + f.time, last);
    }

    void onlyTheNewestMatchCounts()
    {
        logContact("VK3ABC", "Al", "12"); // 10:00
        setUtc(QTime(13, 0));
        logContact("VK3ABC", "Al", "13"); // 13:00, allowed
        QCOMPARE(m_book->rowCount(), 2);
        setUtc(QTime(14, 0));
        typeCallsign("VK3ABC");
        QCOMPARE(row().callsign.textColour, ColourRole::BadQSO);
        QCOMPARE(
            row().timeStatus.text, QStringLiteral(" Last worked 60 min ago. ( 60 min to go )"));
    }

    void otherBandOrModeIsNoRepeat()
    {
        logContact("VK3ABC", "Al", "12");
        m_entry->BandUp();
        typeCallsign("VK3ABC");
        QVERIFY(!m_entry->repeatShown());
        m_entry->BandDown();
        m_entry->NextMode();
        typeCallsign("VK3ABC");
        QVERIFY(!m_entry->repeatShown());
    }

    void zeroIntervalAllowsAnotherYear()
    {
        QFile log(logPath());
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.write("\"08-15-2025\",\"10:00\",\"2m\",\"FM\",\"VK3ABC\",\"001\",\"012\",1,\"Al\"\r\n");
        log.close();
        m_book->LoadLogBook(m_settings, m_ui);
        typeCallsign("VK3ABC");
        QCOMPARE(row().callsign.textColour, ColourRole::BadQSO); // another year: elapsed 0
        m_entry->ClearEntry();
        m_settings.repeatContactTimeHrs = 0;
        typeCallsign("VK3ABC");
        QCOMPARE(row().callsign.textColour, ColourRole::GoodQSO);
    }

    void sameCallArea_data()
    {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("points");
        QTest::addColumn<bool>("message");
        QTest::newRow("40m same area") << "40m"
                                       << "VK6ABC"
                                       << "0" << true;
        QTest::newRow("2m same area") << "2m"
                                      << "VK6ABC"
                                      << "1" << false;
        QTest::newRow("40m portable") << "40m"
                                      << "VK6ABC/P"
                                      << "1" << false;
        QTest::newRow("40m other area") << "40m"
                                        << "VK3ABC"
                                        << "1" << false;
    }

    void sameCallArea()
    {
        QFETCH(QString, band);
        QFETCH(QString, call);
        QFETCH(QString, points);
        QFETCH(bool, message);
        row().band.text = band;
        typeCallsign(call.toLatin1().constData());
        QCOMPARE(m_entry->record().points, points);
        QCOMPARE(row().points.text, points);
        QCOMPARE(row().status.text
                == QStringLiteral(
                    " You will get NO points for this contact as it is in the same call area."),
            message);
        QCOMPARE(row().callsign.textColour == ColourRole::BadQSO, message);
        QCOMPARE(m_ui.cues.contains("error"), message);
        if (message) {
            // A pointless contact may still be logged.
            row().name.text = QStringLiteral("Jo");
            m_entry->NameStep();
            row().rstRx.text = QStringLiteral("5");
            m_entry->CommitEntry();
            QCOMPARE(m_book->rowCount(), 1);
            QCOMPARE(ParseLogLine(m_book->lines().at(0)).points, QStringLiteral("0"));
        }
    }

    void doublings_data()
    {
        QTest::addColumn<QString>("band");
        QTest::addColumn<QTime>("local");
        QTest::addColumn<bool>("marker");
        QTest::addColumn<QString>("points");
        QTest::newRow("CW 2m at 03:00") << "2m" << QTime(3, 0) << false << "4";
        QTest::newRow("CW 23cm at 03:00") << "23cm" << QTime(3, 0) << false << "8";
        QTest::newRow("CW 23cm at 03:00, 100 km") << "23cm" << QTime(3, 0) << true << "16";
        QTest::newRow("CW 40m at 03:00: every band") << "40m" << QTime(3, 0) << false << "4";
        QTest::newRow("exactly 01:00") << "2m" << QTime(1, 0) << false << "2";
        QTest::newRow("exactly 06:00") << "2m" << QTime(6, 0) << false << "2";
        QTest::newRow("01:00:00.001") << "2m" << QTime(1, 0, 0, 1) << false << "4";
    }

    void doublings()
    {
        QFETCH(QString, band);
        QFETCH(QTime, local);
        QFETCH(bool, marker);
        QFETCH(QString, points);
        m_settings.doublePoints16 = true;
        // Local time is what counts here, whatever the UTC clock says.
        m_clock.set(QDate(2026, 8, 16), local, 8 * 3600);
        tick();
        if (marker)
            m_entry->Toggle100km();
        row().band.text = band;
        row().mode.text = QStringLiteral("CW");
        typeCallsign("VK3ABC");
        QCOMPARE(m_entry->record().points, points);
    }

    void clockOffsets_data()
    {
        QTest::addColumn<QDateTime>("local");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("date");
        QTest::newRow("+8") << QDateTime(QDate(2026, 8, 16), QTime(6, 30), Qt::OffsetFromUTC,
            8 * 3600) << "22:30:00"
                            << "08-15-2026";
        QTest::newRow("+9:30 over the year")
            << QDateTime(QDate(2027, 1, 1), QTime(0, 10), Qt::OffsetFromUTC, 34200) << "14:40:00"
            << "12-31-2026";
        QTest::newRow("-5") << QDateTime(QDate(2026, 8, 15), QTime(21, 0), Qt::OffsetFromUTC,
            -5 * 3600) << "02:00:00"
                            << "08-16-2026";
        QTest::newRow("+12:45 Chatham")
            << QDateTime(QDate(2026, 8, 16), QTime(12, 44, 5), Qt::OffsetFromUTC, 45900)
            << "23:59:05"
            << "08-15-2026";
        QTest::newRow("+8:45") << QDateTime(QDate(2026, 8, 15), QTime(8, 45), Qt::OffsetFromUTC,
            31500) << "00:00:00"
                               << "08-15-2026";
        QTest::newRow("daylight saving +11")
            << QDateTime(QDate(2026, 12, 1), QTime(11, 0), Qt::OffsetFromUTC, 39600) << "00:00:00"
            << "12-01-2026";
    }

    void clockOffsets()
    {
        QFETCH(QDateTime, local);
        QFETCH(QString, time);
        QFETCH(QString, date);
        m_clock.set(local.date(), local.time(), local.offsetFromUtc());
        tick();
        QCOMPARE(row().time.text, time);
        QCOMPARE(row().date.text, date);
    }

    // The station file's hours replace the system's; its minutes part stays.
    void stationFileOffset()
    {
        m_clock.set(QDate(2026, 8, 15), QTime(20, 30), 10 * 3600 + 1800); // a +10:30 system
        m_entry->setUtcOffset(9 * 3600, true);
        tick();
        QCOMPARE(row().time.text, QStringLiteral("11:00:00"));
    }

    void contestWindow_data()
    {
        QTest::addColumn<QDateTime>("utc");
        QTest::addColumn<bool>("outside");
        QTest::addColumn<QString>("text");
        QTest::newRow("07:59 on the Saturday") << QDateTime(QDate(2026, 8, 15), QTime(7, 59, 30),
            Qt::UTC) << false << " Contest time left: 24 hrs 0  min ";
        QTest::newRow("07:58 on the Saturday") << QDateTime(QDate(2026, 8, 15), QTime(7, 58, 59),
            Qt::UTC) << true << " CONTEST TIME IS OVER!  ";
        QTest::newRow("07:00 on the Sunday") << QDateTime(QDate(2026, 8, 16), QTime(7, 0), Qt::UTC)
                                             << false << " Contest time left:  59  min ";
        QTest::newRow("07:59 on the Sunday") << QDateTime(QDate(2026, 8, 16), QTime(7, 59, 59),
            Qt::UTC) << false << " Contest time left:  0  min ";
        QTest::newRow("08:00 on the Sunday") << QDateTime(QDate(2026, 8, 16), QTime(8, 0), Qt::UTC)
                                             << true << " CONTEST TIME IS OVER!  ";
    }

    void contestWindow()
    {
        QFETCH(QDateTime, utc);
        QFETCH(bool, outside);
        QFETCH(QString, text);
        m_clock.setUtc(utc.date(), utc.time(), 8 * 3600);
        tick();
        QCOMPARE(m_entry->outsideContestWindow(), outside);
        QCOMPARE(row().timeStatus.text, text);
        QCOMPARE(row().timeStatus.background,
            outside ? ColourRole::TitleColour : ColourRole::ColourForm);
    }

    void differentLogYear()
    {
        m_clock.setUtc(QDate(2027, 8, 15), QTime(10, 0));
        tick();
        QCOMPARE(row().timeStatus.text, QStringLiteral(" Contest time left: DIFFERENT LOG YEAR"));
        QVERIFY(!m_entry->outsideContestWindow()); // kept from the tick before
    }

    void outsideTheWindowNothingIsLogged()
    {
        setUtc(QTime(9, 0), QDate(2026, 8, 16));
        tick();
        QVERIFY(m_entry->outsideContestWindow());
        typeCallsign("VK3ABC");
        QVERIFY(row().callsign.text.isEmpty());
        QCOMPARE(m_ui.messages, QStringList { OutsideWindowMessage() });
        QCOMPARE(m_ui.cues, QStringList { "error" });
        row().rstRx.text = QStringLiteral("12");
        m_entry->CommitEntry();
        QCOMPARE(m_book->rowCount(), 0);
    }

    // Once the contest is over a logged contact can still be corrected, its callsign too: the
    // click guard and the callsign step refuse new contacts only.
    void editAfterTheFinish()
    {
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(9, 0), QDate(2026, 8, 16));
        QVERIFY(m_entry->outsideContestWindow());
        m_ui.selected = 0;
        m_entry->EditContact();
        m_entry->NameNMouseDown();
        m_entry->CallsignNMouseDown();
        QCOMPARE(row().callsign.text, "VK3ABC");
        QCOMPARE(m_ui.focus, EntryFocus::Callsign);
        typeCallsign("VK3ABD");
        QCOMPARE(m_ui.focus, EntryFocus::Name);
        finishContact("Bo");
        QCOMPARE(m_book->lines(),
            QStringList { FormatLogLine(
                "2m", "FM", "001", "VK3ABD", "Bo", "012", "10:00", "08-15-2026", "1") });
    }

    // A callsign corrected in an edit and left by a click in the name box goes through the
    // callsign step: the line never takes a call that was not checked.
    void editedCallsignIsCheckedByTheNameClick()
    {
        logContact("VK3ABC", "Al", "12");
        m_ui.selected = 0;
        m_entry->EditContact();
        row().rstRx.text.clear();
        m_entry->CallsignNMouseDown();
        row().callsign.text = QStringLiteral("3ABD");
        m_entry->NameNMouseDown();
        QCOMPARE(row().callsign.text, "VK3ABD");
        QCOMPARE(m_ui.focus, EntryFocus::Name);
        finishContact("Bo", "34");
        QCOMPARE(ParseLogLine(m_book->lines().at(0)).callsign, "VK3ABD");
    }

    void clockHeldWhileARepeatIsShown()
    {
        logContact("VK3ABC", "Al", "12");
        setUtc(QTime(10, 20, 5));
        typeCallsign("VK3ABC"); // refused
        tick();
        QCOMPARE(row().time.text, QStringLiteral("10:00"));
        m_entry->ClearEntry();
        QCOMPARE(row().time.text, QStringLiteral("10:20:05"));
    }

    void summaryRefreshedOncePerMinute()
    {
        const int before = m_ui.summaryRefreshes;
        tick();
        m_clock.advance(20);
        tick();
        QCOMPARE(m_ui.summaryRefreshes, before);
        m_clock.advance(60);
        tick();
        QCOMPARE(m_ui.summaryRefreshes, before + 1);
    }

    void settingsOpenedByTheFirstTick()
    {
        m_entry->setSettingsOpenPending(true);
        tick();
        tick();
        QCOMPARE(m_ui.settingsOpened, 1);
    }

    void marker100kmColours()
    {
        m_entry->Toggle100km();
        QVERIFY(m_entry->marker100km());
        QCOMPARE(row().f5Background, ColourRole::FunctionL);
        QCOMPARE(row().points.background, ColourRole::EntryBox);
        QCOMPARE(row().points.text, QStringLiteral("2"));
        m_entry->ClearEntry();
        QVERIFY(!m_entry->marker100km());
        QCOMPARE(row().f5Background, ColourRole::FunctionB);
        QCOMPARE(row().points.text, QStringLiteral("1"));
    }

    void morseAfterACommitWhenCwCuesAreOn()
    {
        m_settings.cwEnabled = true;
        logContact("VK3ABC", "Al", "12");
        QCOMPARE(m_ui.morse, QStringList { "XYZ" });
    }

    // A delete gives back the newest serial only: the last line may be an allowed repeat that
    // kept the serial it was first sent with.
    void deleteGivesBackOnlyTheNewestSerial_data()
    {
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("serial");
        const QStringList inOrder = { "59001", "59002", "59003" };
        const QStringList repeatLast = { "59001", "59002", "59003", "59001" }; // counter 5
        QTest::newRow("the last line") << inOrder << 2 << 3;
        QTest::newRow("an earlier line") << inOrder << 1 << 4;
        QTest::newRow("a repeat last, an earlier line") << repeatLast << 2 << 5;
        QTest::newRow("the repeat itself") << repeatLast << 3 << 5;
    }

    // The name box of a station accepted: the name last logged with it, on any band, before the
    // call history's; a repeat on show keeps the logged contact's own name.
    void nameOfAStationAccepted_data()
    {
        QTest::addColumn<QStringList>("logged"); // "callsign,name,band,time" each
        QTest::addColumn<QString>("history");
        QTest::addColumn<QString>("band");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("focus");
        const int name = int(EntryFocus::Name), report = int(EntryFocus::RstRx);
        QTest::newRow("from the log, another band") << QStringList { "VK3ABC,Peter,2m,09:00" } << ""
                                                    << "70cm"
                                                    << "VK3ABC"
                                                    << "Peter" << name;
        QTest::newRow("the newest contact's name")
            << QStringList { "VK3ABC,Peter,2m,09:00", "VK3ABC,Pete,6m,09:10" } << ""
            << "70cm"
            << "VK3ABC"
            << "Pete" << name;
        QTest::newRow("an older name when the newest has none")
            << QStringList { "VK3ABC,Peter,2m,09:00", "VK3ABC,,6m,09:10" } << ""
            << "70cm"
            << "VK3ABC"
            << "Peter" << name;
        QTest::newRow("the log wins over the history")
            << QStringList { "VK3ABC,Peter,2m,09:00" } << "VK3ABC,Jim\n"
            << "70cm"
            << "VK3ABC"
            << "Peter" << name;
        QTest::newRow("from the history") << QStringList {} << "VK3ABC,Jim\nVK3XYZ,Kim\n"
                                          << "2m"
                                          << "VK3XYZ"
                                          << "Kim" << name;
        QTest::newRow("after the prefix completion") << QStringList {} << "VK3XYZ,Kim\n"
                                                     << "2m"
                                                     << "3XYZ"
                                                     << "Kim" << name;
        QTest::newRow("neither") << QStringList { "VK3ABC,Peter,2m,09:00" } << "VK3ABC,Jim\n"
                                 << "2m"
                                 << "VK3XYZ"
                                 << "" << name;
        QTest::newRow("cut to the name box") << QStringList { "VK3ABC,Christopher,2m,09:00" } << ""
                                             << "70cm"
                                             << "VK3ABC"
                                             << "Christophe" << name;
        QTest::newRow("refused repeat shows the logged name")
            << QStringList { "VK3ABC,Peter,2m,09:50" } << "VK3ABC,Jim\n"
            << "2m"
            << "VK3ABC"
            << "Peter" << report;
        QTest::newRow("refused repeat without a name stays without")
            << QStringList { "VK3ABC,,2m,09:50" } << "VK3ABC,Jim\n"
            << "2m"
            << "VK3ABC"
            << "" << report;
        QTest::newRow("allowed repeat without a name stays without")
            << QStringList { "VK3ABC,,2m,06:00" } << "VK3ABC,Jim\n"
            << "2m"
            << "VK3ABC"
            << "" << name;
        QTest::newRow("same call area gets none") << QStringList {} << "VK6ABC,Jim\n"
                                                  << "40m"
                                                  << "VK6ABC"
                                                  << "" << report;
    }

    void nameOfAStationAccepted()
    {
        QFETCH(QStringList, logged);
        QFETCH(QString, history);
        QFETCH(QString, band);
        QFETCH(QString, typed);
        QFETCH(QString, name);
        QFETCH(int, focus);
        QByteArray log;
        for (const QString& contact : logged) {
            const QStringList f = contact.split(QLatin1Char(','));
            AppendFileRecord(log,
                FormatLogLine(f[2], "FM", "59001", f[0], f[1], "59012", f[3], "08-15-2026", "1"));
            log += "\r\n";
        }
        QVERIFY(writeFile(logPath(), log));
        m_book->LoadLogBook(m_settings, m_ui);
        CallHistory names;
        names.parse(history.toLatin1(), NameBoxLength);
        m_entry->setCallHistory(&names);
        row().band.text = band;
        typeCallsign(typed.toLatin1().constData());
        QCOMPARE(row().name.text, name);
        QCOMPARE(int(m_ui.focus), focus);
        // ENTER takes it.
        m_entry->NameStep();
        QCOMPARE(m_entry->record().name, name);
        m_entry->setCallHistory(nullptr);
    }

    // An edit whose callsign is stepped through unchanged: the name box never takes the name of
    // another contact with the station (that would be written into the edited line).
    void editKeepsItsOwnContactsName()
    {
        logContact("VK3ABC", "Al", "12");
        row().band.text = QStringLiteral("70cm");
        logContact("VK3ABC", "Pete", "13");
        QCOMPARE(m_book->rowCount(), 2);
        m_ui.selected = 0;
        m_entry->EditContact();
        QCOMPARE(row().name.text, "Al");
        m_entry->CallsignNMouseDown();
        typeCallsign("VK3ABC");
        QVERIFY2(row().name.text != QStringLiteral("Pete"), qPrintable(row().name.text));
    }

    void deleteGivesBackOnlyTheNewestSerial()
    {
        QFETCH(QStringList, sent);
        QFETCH(int, row);
        QFETCH(int, serial);
        QByteArray log;
        for (const QString& rst : sent) {
            AppendFileRecord(log,
                FormatLogLine(
                    "2m", "FM", rst, "VK3ABC", "Al", "59012", "09:14", "08-15-2026", "1"));
            log += "\r\n";
        }
        QVERIFY(writeFile(logPath(), log));
        m_book->LoadLogBook(m_settings, m_ui);
        m_book->setSerialCounter(sent.size() == 4 ? 5 : 4);
        m_ui.selected = row;
        m_entry->EditContact();
        m_entry->DeleteContact();
        QCOMPARE(m_book->lines().size(), sent.size() - 1);
        QCOMPARE(m_book->serialCounter(), serial);
    }
};

QTEST_GUILESS_MAIN(TestContactEntry)
#include "tst_contactentry.moc"
