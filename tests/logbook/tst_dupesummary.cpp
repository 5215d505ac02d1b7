#include <QTest>
#include <QTimeZone>

#include "DupeSummary.h"
#include "LogLine.h"

using namespace vorad;

namespace {

QString line(const char* call, const char* band, const char* mode, const char* time,
    const char* points = "1", const char* date = "01-14-2026")
{
    return FormatLogLine(QString::fromLatin1(band), QString::fromLatin1(mode),
        QStringLiteral("59001"), QString::fromLatin1(call), QStringLiteral("BOB"),
        QStringLiteral("59002"), QString::fromLatin1(time), QString::fromLatin1(date),
        QString::fromLatin1(points));
}

} // namespace

class TestDupeSummary : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void entry() { QCOMPARE(DupeEntry(line("VK3ABC", "2m", "FM", "10:00")), "VK3ABC  2m    FM"); }

    // Now is 12:00 on 01-14-2026; interval 2 hours.
    void dupeLists_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("finish"); // hh:nn on 01-14-2026
        QTest::addColumn<bool>("outside");
        QTest::addColumn<QStringList>("allowed");
        QTest::addColumn<QStringList>("wait");
        const QString a = "VK3ABC  2m    FM", b = "VK2XY   2m    FM";
        QTest::newRow("30 min ago waits, 3 h ago allowed") << QStringList {
            line("VK2XY", "2m", "FM", "09:00"), line("VK3ABC", "2m", "FM", "11:30")
        } << "23:00" << false << QStringList { b } << QStringList { a };
        QTest::newRow("newest inside the interval is not allowed") << QStringList {
            line("VK3ABC", "2m", "FM", "08:00"), line("VK3ABC", "2m", "FM", "11:30")
        } << "23:00" << false << QStringList {} << QStringList { a };
        QTest::newRow("ends before the interval: neither")
            << QStringList { line("VK3ABC", "2m", "FM", "11:30") } << "13:00" << false
            << QStringList {} << QStringList {};
        // Past the finish the contest window is closed, which is what empties the list.
        QTest::newRow("after the finish allowed is empty")
            << QStringList { line("VK2XY", "2m", "FM", "06:00") } << "11:00" << true
            << QStringList {} << QStringList {};
        QTest::newRow("current minute waits at once")
            << QStringList { line("VK3ABC", "2m", "FM", "12:00") } << "23:00" << false
            << QStringList {} << QStringList { a };
        QTest::newRow("damaged line skipped, older one still waits") << QStringList {
            line("VK3ABC", "2m", "FM", "11:30"), line("VK2XY", "2m", "FM", "xx:yy")
        } << "23:00" << false << QStringList {} << QStringList { a };
    }
    void dupeLists()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, finish);
        QFETCH(bool, outside);
        const QDateTime end(
            QDate(2026, 1, 14), QTime::fromString(finish, "hh:mm"), QTimeZone::utc());
        const DupeLists d = BuildDupeLists(lines, u"01-14-2026", u"12:00:30", end, 2, outside);
        QTEST(d.allowed, "allowed");
        QTEST(d.wait, "wait");
    }

    void drum_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("turns");
        QTest::newRow("six turn") << 6 << true;
        QTest::newRow("five stand") << 5 << false;
    }
    void drum()
    {
        QFETCH(int, entries);
        const int rows = DupeVisibleRows(84, 6, 10); // the design size: 84 / 15 + 1
        QCOMPARE(rows, 6);
        QStringList hidden;
        for (int i = 0; i < entries; ++i)
            hidden << QString::number(i);
        const QString last = hidden.last();
        QTEST(TurnDrum(hidden, rows), "turns");
        QCOMPARE(VisibleEntries(hidden, rows).first() == last, entries > 5);
    }

    void rowsGuard()
    {
        QCOMPARE(SummaryVisibleRows(70, 14), 5);
        QCOMPARE(SummaryVisibleRows(70, 0), 0);
        QCOMPARE(DupeVisibleRows(84, 0, 10), 1);
    }

    void summary()
    {
        qint64 total = -1;
        const QStringList lines { line("VK3A", "2m", "FM", "10:00"),
            line("VK3B", "2m", "FM", "10:01"), line("VK3C", "2m", "FM", "10:02"),
            line("VK3D", "70cm", "CW", "10:03", "2"), line("VK3E", "2m", "Phone", "10:04", "12") };
        QCOMPARE(SummaryRows(TallyBands(lines, &total)),
            (QStringList { "2m       3    3    0    0", "70cm     1    0    0    2" }));
        QCOMPARE(total, 17);
    }

    void arrange_data()
    {
        QTest::addColumn<QString>("start"); // dupe, summary, full screen as 0/1
        QTest::addColumn<char>("action"); // D, S, F
        QTest::addColumn<QString>("end");
        QTest::addColumn<char>("side");
        QTest::newRow("F4 hides the summary: clock L") << "110" << 'S' << "100" << 'L';
        QTest::newRow("F4 again: no clock") << "100" << 'S' << "110" << '\0';
        QTest::newRow("F9 hides the dupes: clock R") << "110" << 'D' << "010" << 'R';
        QTest::newRow("last panel off: full screen") << "100" << 'D' << "001" << '\0';
        QTest::newRow("full screen on hides both") << "110" << 'F' << "001" << '\0';
        QTest::newRow("full screen off shows both") << "001" << 'F' << "110" << '\0';
    }
    void arrange()
    {
        QFETCH(QString, start);
        QFETCH(char, action);
        DisplayTicks t { start[0] == '1', start[1] == '1', start[2] == '1' };
        const char side = action == 'D' ? ToggleDupe(t)
            : action == 'S'             ? ToggleSummary(t)
                                        : ToggleLogBookFullScreen(t);
        QTEST(QString("%1%2%3").arg(int(t.dupe)).arg(int(t.summary)).arg(int(t.fullScreen)), "end");
        QTEST(side, "side");
    }
};

QTEST_APPLESS_MAIN(TestDupeSummary)
#include "tst_dupesummary.moc"
