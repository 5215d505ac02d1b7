#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <array>
#include <unistd.h>

#include "DrumList.h"
#include "LogFileStore.h"
#include "QZMainForm.h"
#include "TestClock.h"
#include "TestDesktop.h"
#include "TestFiles.h"
#include "TestWindow.h"

using namespace vorad;

namespace {

// The contest's rules, written out again here: the recount owes nothing to the program's own.
const QStringList Bands = { "160m", "80m", "40m", "30m", "20m", "17m", "15m", "12m", "10m", "6m",
    "2m", "70cm", "23cm", "13cm", "9cm", "6cm", "3cm", "1cm" };
constexpr int RepeatSeconds = 2 * 3600;
#ifdef VORAD_SANITIZE
constexpr int LeastGap = 22; // a quieter contest: about 1,900 contacts fit the sanitizer's time
#else
constexpr int LeastGap = 4; // the seconds between two contacts, at the least
#endif
constexpr int LocalOffset = 8 * 3600; // the station's computer keeps UTC+8
// Times are seconds or minutes from 15 August 00:00 UTC; the finish is 07:59 on the 16th.
constexpr int FinishMinute = 24 * 60 + 7 * 60 + 59;
bool inWindow(int minute)
{
    return minute <= FinishMinute && FinishMinute - minute <= 24 * 60;
}
// What a contact scores at that second; the points box's preview (an edit's new band) doubles
// the early hours on the VHF bands only.
int points(const QString& band, const QString& mode, qint64 utcSecond, bool preview = false)
{
    const qint64 local = (utcSecond + LocalOffset) % 86400;
    const bool early = local > 3600 && local < 6 * 3600 && (!preview || Bands.indexOf(band) >= 9);
    const bool doubled = band == "160m" || Bands.indexOf(band) >= 12;
    return (mode == "CW" ? 2 : 1) * (early ? 2 : 1) * (doubled ? 2 : 1);
}

struct Contact
{
    QString call, band, mode, name, rstTx, rstRx;
    int minute = 0;
    int points = 0;
    QString dupeEntry() const
    {
        return call.leftJustified(7) + ' ' + band.leftJustified(5) + ' ' + mode;
    }
    // The record the file holds for it.
    QByteArray record() const
    {
        return QString("\"%1\",\"%2\",\"%3\",\"%4\",\"%5\",\"%6\",\"%7\",%8,\"%9\"")
            .arg(QDate(2026, 8, 15).addDays(minute / 1440).toString("MM-dd-yyyy"),
                QTime(0, 0).addSecs(minute % 1440 * 60).toString("hh:mm"), band, mode, call, rstTx,
                rstRx, QString::number(points), name)
            .toLatin1();
    }
};

QStringList summaryRows(const QList<Contact>& log, qint64* total)
{
    std::array<std::array<int, 4>, 18> tally {}; // contacts, FM, SSB and CW points
    *total = 0;
    for (const Contact& c : log) {
        *total += c.points;
        const int column = c.mode == "FM" ? 1 : c.mode == "SSB" ? 2 : c.mode == "CW" ? 3 : 0;
        if (column == 0)
            continue;
        auto& row = tally[size_t(Bands.indexOf(c.band))];
        row[size_t(column)] += c.points;
        ++row[0];
    }
    QStringList rows;
    for (int b = 0; b < 18; ++b) {
        QString row = Bands[b].leftJustified(9);
        for (int n : tally[size_t(b)])
            row += QString::number(n).leftJustified(5);
        if (tally[size_t(b)] != std::array<int, 4> {})
            rows << row.trimmed();
    }
    return rows;
}

// Both dupe lists as a refresh at minute `now` builds them.
std::pair<QStringList, QStringList> dupeLists(const QList<Contact>& log, int now, bool outside)
{
    const qint64 left = qint64(FinishMinute - now) * 60;
    QStringList allowed, wait;
    QSet<QString> seen;
    for (const Contact& c : log) {
        const qint64 elapsed = qint64(now - c.minute) * 60;
        if (!outside && elapsed > RepeatSeconds && elapsed + left > RepeatSeconds
            && !seen.contains(c.dupeEntry())) {
            seen.insert(c.dupeEntry());
            allowed << c.dupeEntry();
        }
    }
    for (auto c = log.crbegin(); c != log.crend(); ++c) {
        const qint64 elapsed = c->minute == now ? 1 : qint64(now - c->minute) * 60;
        const bool waiting = elapsed > 0 && elapsed < RepeatSeconds;
        if (waiting) {
            allowed.removeOne(c->dupeEntry());
            wait << c->dupeEntry();
        }
        if (left + elapsed < RepeatSeconds)
            wait.removeOne(c->dupeEntry());
        if (!waiting)
            break;
    }
    return { allowed, wait };
}

// The whole list behind a drum, read by turning it until it shows its first rows again (each
// turn brings the last entry to the front). `turns` holds the turns it made before (the two
// dupe lists turn together), which are undone, and then the turns of this reading.
QStringList readDrum(DrumList* drum, const std::function<void()>& step, int& turns)
{
    const QStringList first = drum->entries();
    if (first.size() < drum->rows()) {
        turns = 0;
        return first; // it fits and stands
    }
    QStringList fronts;
    do {
        const QStringList before = drum->entries();
        for (int i = 0; i <= drum->textHeight() && drum->entries() == before; ++i)
            step();
        if (drum->entries() == before || fronts.size() > 100000)
            return { "<the drum does not turn>" };
        fronts.prepend(drum->entries().first());
    } while (drum->entries() != first);
    for (int i = 0; i < turns; ++i)
        fronts.append(fronts.takeFirst());
    turns = int(fronts.size());
    return fronts;
}

QString timeLeftText(int now)
{
    const qint64 left = qint64(FinishMinute - now) * 60;
    if (left < 0 || left >= 86402)
        return " CONTEST TIME IS OVER!  ";
    if (left < 3600)
        return QString(" Contest time left:  %1  min ").arg(left / 60);
    return QString(" Contest time left: %1 hrs %2  min ").arg(left / 3600).arg(left % 3600 / 60);
}

long residentKb()
{
    const QList<QByteArray> fields = readAll("/proc/self/statm").split(' ');
    return fields.value(1).toLong() * sysconf(_SC_PAGESIZE) / 1024;
}

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<TestClock> m_clock = std::make_shared<TestClock>();
    std::unique_ptr<TQZMainForm> m_form;
    QRandomGenerator m_rng { 20260815 };
    qint64 m_second = 7 * 3600 + 56 * 60; // three minutes before the window opens
    QList<Contact> m_log; // what the window should hold
    QStringList m_faults; // every disagreement, with the time it was seen
    QStringList m_messages;
    QString m_lastCall = "VK6AAA";
    int m_events = 0, m_refreshes = 0, m_expectedRefreshes = 0, m_lastMinuteDigits = 56;
    int m_edits = 0, m_deletes = 0, m_lost = 0, m_repeats = 0, m_sameArea = 0, m_outside = 0;
    qint64 m_slowestCommitMs = 0;
    const QStringList m_names = { "peter", "ann", "bob", "kim", "jo", "alan", "sue", "mike", "tony",
        "lee", "ray", "dave", "jan", "max", "pat", "ross", "ian", "wendy", "colin" };

    int minute() const { return int(m_second / 60); }
    QLineEdit* box(const char* name) const { return m_form->findChild<QLineEdit*>(name); }
    QString shown(const char* name) const { return box(name)->text().remove(' '); }
    QString label(const char* name) const { return m_form->findChild<QLabel*>(name)->text(); }
    DrumList* drum(const char* name) const { return m_form->findChild<DrumList*>(name); }
    static QWidget* focus() { return QApplication::focusWidget(); }
    static void type(const QString& text) { QTest::keyClicks(focus(), text); }
    static void key(Qt::Key k) { QTest::keyClick(focus(), k); }
    void expect(bool ok, const QString& what)
    {
        if (!ok)
            m_faults << QTime(0, 0).addSecs(int(m_second % 86400)).toString("hh:mm:ss ") + what;
    }
    QString report(const QString& mode)
    {
        const QString serial = QString::number(1 + m_rng.bounded(999)).rightJustified(3, '0');
        return m_rng.bounded(10) < 3 ? serial : (mode == "CW" ? "599" : "59") + serial;
    }
    static QString received(const QString& typed, const QString& mode)
    {
        return typed.size() == 3 ? (mode == "CW" ? "599" : "59") + typed : typed;
    }

    // The clock moves on and the window's tick runs: it refreshes the displays exactly when the
    // minute digits change while no contact on show holds the clock.
    void advance(int seconds)
    {
        m_clock->advance(seconds);
        m_second += seconds;
        const bool held = m_form->entry().repeatShown() || m_form->entry().editPending();
        const bool due = !held && minute() % 60 != m_lastMinuteDigits;
        if (due) {
            m_lastMinuteDigits = minute() % 60;
            ++m_expectedRefreshes;
        }
        const int before = m_events;
        m_form->SecondTickTimerTimer();
        m_refreshes += m_events != before;
        expect(due == (m_events != before), due ? "minute refresh missing" : "refresh unasked");
    }

    void steer(const QString& band, const QString& mode)
    {
        const int up = (Bands.indexOf(band) - Bands.indexOf(shown("BandN")) + 18) % 18;
        for (int i = 0; i < 18 && shown("BandN") != band; ++i)
            key(up <= 9 ? Qt::Key_F8 : Qt::Key_F7);
        for (int i = 0; i < 7 && shown("ModeN") != mode; ++i)
            key(Qt::Key_F6);
        expect(shown("BandN") == band && shown("ModeN") == mode, "band or mode not reached");
    }

    int newest(const QString& call, const QString& band, const QString& mode) const
    {
        for (qsizetype i = m_log.size() - 1; i >= 0; --i)
            if (m_log[i].call == call && m_log[i].band == band && m_log[i].mode == mode)
                return int(i);
        return -1;
    }

    // One contact typed into the entry row; true when the window logged it.
    bool workContact(const QString& call, const QString& band, const QString& mode)
    {
        steer(band, mode);
        QString typed = call.toLower(); // sometimes only what the window completes
        if (call.startsWith("VK") && !call.contains('/') && m_lastCall.startsWith("VK")
            && m_rng.bounded(5) == 0)
            typed = typed.mid(m_lastCall.left(3) == call.left(3) && call.size() == 6 ? 3 : 2);
        const int rows = m_form->logBook().rowCount();
        const int callMinute = minute();
        const int match = newest(call, band, mode);
        type(typed);
        key(Qt::Key_Return);
        if (!inWindow(callMinute)) {
            ++m_outside;
            expect(focus() == box("CallsignN") && shown("CallsignN").isEmpty(),
                call + " taken outside the contest window");
            return false;
        }
        m_lastCall = call;
        expect(shown("CallsignN") == call, typed + " shown as " + shown("CallsignN"));
        const bool refused
            = match >= 0 && qint64(callMinute - m_log[match].minute) * 60 < RepeatSeconds;
        const int hf = int(Bands.indexOf(band)); // 80m to 12m score nothing in the own area
        const bool noPoints = !call.contains('/') && call.startsWith("VK6") && hf >= 1 && hf <= 7;
        // A refused repeat, and a contact worth nothing, go straight to the received report.
        const bool toReport = refused || noPoints;
        expect(focus() == box(toReport ? "RSTRxN" : "NameN"), "focus after " + call);
        advance(2 + m_rng.bounded(6));
        const QString name = m_names[qHash(call) % m_names.size()];
        if (focus() == box("NameN")) {
            type(name);
            key(Qt::Key_Return);
            advance(2 + m_rng.bounded(5));
        }
        const QString rstTx = shown("RSTTxN");
        const QString typedReport = report(mode);
        if (refused && m_rng.bounded(3) == 0) {
            key(Qt::Key_F1);
        } else {
            type(typedReport);
            QElapsedTimer commit;
            commit.start();
            key(Qt::Key_Return);
            m_slowestCommitMs = qMax(m_slowestCommitMs, commit.elapsed());
        }
        // After the finish nothing is logged; an allowed repeat needs a report of its own.
        const bool logged
            = !refused && inWindow(minute()) && !(match >= 0 && typedReport == m_log[match].rstRx);
        expect(m_form->logBook().rowCount() == rows + (logged ? 1 : 0),
            call + (logged ? " not logged" : " logged though refused"));
        if (!logged)
            return false;
        m_repeats += match >= 0;
        m_sameArea += noPoints;
        // Straight to the report, the contact takes no name.
        const QString loggedName = toReport ? QString() : name.left(1).toUpper() + name.mid(1);
        m_log << Contact { call, band, mode, loggedName, rstTx, received(typedReport, mode),
            minute(), noPoints ? 0 : points(band, mode, m_second) };
        return true;
    }

    // F2 on a line picked in the list (or a double click on it), then F3, or a new name and
    // report, sometimes on the next band up.
    void editContact(bool remove)
    {
        const int row = int(m_rng.bounded(int(m_log.size())));
        auto* list = m_form->findChild<QListView*>("LogBook");
        const QModelIndex index = list->model()->index(row, 0);
        list->scrollTo(index);
        const QPoint place = list->visualRect(index).center();
        if (m_rng.bounded(2)) {
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, place);
        } else {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place);
            key(Qt::Key_F2);
        }
        Contact& c = m_log[row];
        if (!m_form->entry().editPending() || shown("CallsignN") != c.call) {
            expect(false, QString("line %1 not brought in for editing").arg(row));
            key(Qt::Key_F1);
            return;
        }
        advance(3 + m_rng.bounded(5));
        if (remove) {
            key(Qt::Key_F3);
            m_log.removeAt(row);
            ++m_deletes;
            return;
        }
        if (m_rng.bounded(3) == 0) {
            key(Qt::Key_F8);
            c.band = Bands[(Bands.indexOf(c.band) + 1) % 18];
            c.points = points(c.band, c.mode, m_second, true);
        }
        const QString name = m_names[m_rng.bounded(int(m_names.size()))];
        type(name);
        key(Qt::Key_Return);
        const QString typedReport = report(c.mode);
        type(typedReport);
        key(Qt::Key_Return);
        c.name = name.left(1).toUpper() + name.mid(1);
        c.rstRx = received(typedReport, c.mode);
        ++m_edits;
    }

    // What the window shows and holds against the recount: the score, the summary, both dupe
    // lists (read by turning their drums), the time left and the log list.
    void checkWindow()
    {
        qint64 total = 0;
        const QStringList rows = summaryRows(m_log, &total);
        expect(label("PointsTotal") == QString::number(total),
            QString("score %1, recounted %2").arg(label("PointsTotal")).arg(total));
        int turns = 0;
        const QStringList summary = readDrum(
            drum("SummaryBox"), [this] { m_form->ScrollTimer2Timer(); }, turns);
        expect(summary == rows, "summary " + summary.join('|') + " recounted " + rows.join('|'));
        const auto [allowed, wait] = dupeLists(m_log, minute(), !inWindow(minute()));
        const auto turn = [this] { m_form->ScrollTimer1Timer(); };
        turns = 0;
        const QStringList shownAllowed = readDrum(drum("AllowedList"), turn, turns);
        const QStringList shownWait = readDrum(drum("WaitList"), turn, turns);
        expect(shownAllowed == allowed && shownWait == wait,
            QString("dupe lists of %1 and %2, recounted %3 and %4")
                .arg(shownAllowed.size())
                .arg(shownWait.size())
                .arg(allowed.size())
                .arg(wait.size()));
        expect(label("TimeStatusPanel") == timeLeftText(minute()), label("TimeStatusPanel"));
        expect(m_form->logBook().rowCount() == m_log.size(), "log list and recount differ");
    }

    // The file re-read by hand, line by line (the check leaves the heap as it found it): every
    // contact the window took, in order, as it showed them, and nothing else.
    void checkFile(bool countLost = false)
    {
        QFile file(m_dir.filePath("QZVHF.LOG"));
        expect(file.open(QIODevice::ReadOnly), "the log cannot be read");
        QSet<QByteArray> inFile;
        qsizetype i = 0;
        for (; !file.atEnd(); ++i) {
            const QByteArray line = file.readLine();
            const QByteArray expected = i < m_log.size() ? m_log[i].record() : "<none>";
            if ((!line.endsWith("\r\n") || line.chopped(2) != expected) && m_faults.size() < 50)
                expect(false,
                    QString("record %1 is %2, not %3")
                        .arg(i)
                        .arg(QString::fromLatin1(line.trimmed()), QString::fromLatin1(expected)));
            if (countLost)
                inFile.insert(line.chopped(2));
        }
        expect(i == m_log.size(), QString("%1 records").arg(i));
        for (const Contact& c : m_log)
            m_lost += countLost && !inFile.contains(c.record());
    }

private Q_SLOTS:
    void contestDay()
    {
        QVERIFY(writeFile(m_dir.filePath("QZVHF.LOG"), {}));
        QVERIFY(writeFile(m_dir.filePath("DOVavoviv.ini"),
            "[CONTEST]\r\nCallsign=VK6XYZ\r\nAutoRST=1\r\nDoublePoints16=1\r\n[TIME]\r\n"
            "RepeatContactTimeHrs=2\r\n[SETTINGS]\r\nDupeScreen=1\r\nSummaryScreen=1\r\n"
            "LogBookFullScreen=0\r\n"));
        m_clock->setUtc(QDate(2026, 8, 15), QTime(0, 0).addSecs(int(m_second)), LocalOffset);
        StartupEnvironment env = TestEnvironment(m_dir.path(), m_clock);
        DesktopOf(env).messages = [this](const QString& m) { m_messages << m; };
        env.eventsHook = [this] { ++m_events; };
        m_form = std::make_unique<TQZMainForm>(env);
        if (m_form->settingsForm().isVisible()) // a new log opens the settings
            m_form->settingsForm().CancelButtonClick();
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));

        // The stations: some in the station's own call area, a few portable or with an F.
        const QStringList prefixes
            = QString("VK1 VK2 VK3 VK3 VK4 VK5 VK6 VK6 VK7 VK8 ZL1 ZL2 ZL3 P29 VI5").split(' ');
        QStringList stations;
        while (stations.size() < 220) {
            QString call = prefixes[m_rng.bounded(int(prefixes.size()))];
            for (int n = m_rng.bounded(3) ? 3 : 2; n > 0; --n)
                call += QChar('A' + m_rng.bounded(26));
            const int odd = m_rng.bounded(30);
            if (odd == 0)
                call = call.left(5) + "/P";
            else if (odd == 1 && call.startsWith("VK"))
                call.insert(3, 'F');
            if (!stations.contains(call))
                stations << call;
        }
        // Bands and modes, the busiest more than once; the operator stays a while on each.
        const QStringList combos = QString("2m FM,2m FM,2m FM,2m SSB,70cm FM,70cm FM,70cm SSB,"
                                           "6m SSB,40m SSB,40m SSB,80m SSB,80m SSB,20m SSB,20m CW,"
                                           "40m CW,160m CW,23cm FM,23cm CW,10m SSB,15m SSB,"
                                           "2m Dgtl,40m Phone,6m AM,2m CW,13cm FM")
                                       .split(',');

        const qint64 start = m_second;
        const qint64 end = qint64(FinishMinute + 5) * 60; // a few minutes past the finish
        int typed = 0, accepted = 0;
        long rssHour1 = 0;
        qint64 nextCheck = (m_second / 3600 + 1) * 3600;
        QStringList combo = combos.first().split(' ');
        QElapsedTimer wall;
        wall.start();
        while (m_second < end) {
            advance(LeastGap + m_rng.bounded(29));
            // Hourly inside the window; the tick that closes it still refreshes as it was open.
            if (m_second >= nextCheck && inWindow(minute())) {
                checkWindow();
                checkFile();
                if (!rssHour1 && m_second >= start + 3600)
                    rssHour1 = residentKb();
                nextCheck += 3600;
            }
            if (m_second >= 15 * 3600 + 1800 && m_second < 16 * 3600 + 900)
                continue; // the operator's break at local midnight; the clock runs on
            const int dice = m_rng.bounded(1000);
            if (dice < 30 && !m_log.isEmpty()) {
                editContact(dice < 10);
                continue;
            }
            if (m_rng.bounded(100) < 12)
                combo = combos[m_rng.bounded(int(combos.size()))].split(' ');
            QString call;
            if (m_rng.bounded(100) < 7 && !m_log.isEmpty()) { // a station just worked
                const Contact& c
                    = m_log[m_log.size() - 1 - m_rng.bounded(qMin(30, int(m_log.size())))];
                call = c.call;
                combo = QStringList { c.band, c.mode };
            } else {
                const int n = int(stations.size());
                call = stations[m_rng.bounded(n) * m_rng.bounded(n) / n]; // some are keen
            }
            ++typed;
            accepted += workContact(call, combo[0], combo[1]);
        }
        advance(60);
        advance(60);
        checkWindow();
        const long rssEnd = residentKb();
        m_form->close();
        checkFile(true);
        const QString outside = "   You can not work any stations outside the start";
        const auto told = std::count_if(m_messages.cbegin(), m_messages.cend(),
            [&](const QString& m) { return m.startsWith(outside); });
        expect(told == m_messages.size() && told > 0, "messages: " + m_messages.join(" / "));

        qint64 total = 0;
        summaryRows(m_log, &total);
        qInfo("soak: %d contacts typed, %d accepted (%d repeats, %d in the own call area), %d "
              "refused (%d outside the window), %d edits, %d deletes, %d minutes refreshed (%d "
              "due), score shown %s vs recounted %lld, %d contacts lost, %d faults; RSS %ld kB "
              "after hour 1, %ld kB at the end; slowest commit %lld ms, %lld s in all",
            typed, accepted, m_repeats, m_sameArea, typed - accepted, m_outside, m_edits, m_deletes,
            m_refreshes, m_expectedRefreshes, qPrintable(label("PointsTotal")), total, m_lost,
            int(m_faults.size()), rssHour1, rssEnd, m_slowestCommitMs, wall.elapsed() / 1000);
        QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.mid(0, 20).join('\n')));
        QCOMPARE(m_lost, 0);
#ifndef VORAD_SANITIZE
        QVERIFY2(rssEnd <= rssHour1 * 11 / 10, "the resident set grew by more than 10 %");
#endif
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
