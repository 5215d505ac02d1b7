#include <QMap>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "ContactEntry.h"
#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"
#include "NullUi.h"
#include "StationIndex.h"
#include "TestClock.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

QString line(const char* band, const char* mode, const char* call, const char* time = "10:00")
{
    return FormatLogLine(QLatin1String(band), QLatin1String(mode), "001", QLatin1String(call), "Al",
        "012", QLatin1String(time), "08-15-2026", "1");
}

// The station of a line as the column reader cuts it: the scan the index replaces.
QStringList stationOf(const QString& logLine)
{
    const LogFields f = ParseLogLine(logLine);
    return { f.callsign, f.band, f.mode };
}

// Every station's rows, newest first, through newest() and previous(), against a plain scan.
void checkAgainstScan(const QStringList& lines, const StationIndex& index)
{
    QMap<QStringList, QList<int>> scan;
    for (int row = static_cast<int>(lines.size()) - 1; row >= 0; --row)
        scan[stationOf(lines.at(row))].append(row);
    QCOMPARE(index.rowCount(), lines.size());
    QCOMPARE(index.stationCount(), scan.size());
    for (auto it = scan.cbegin(); it != scan.cend(); ++it) {
        QList<int> rows;
        for (int r = index.newest(it.key()[0], it.key()[1], it.key()[2]); r >= 0;
             r = index.previous(r))
            rows.append(r);
        QCOMPARE(rows, it.value());
    }
    QSet<int> newest;
    index.forEachStation([&](int row) { newest.insert(row); });
    QCOMPARE(newest.size(), scan.size());
    for (const QList<int>& rows : scan)
        QVERIFY(newest.contains(rows.first()));
    QCOMPARE(index.newest(u"VK9ZZZ", u"2m", u"FM"), -1);
}

// "=row:line" and "-row": the row and the text after the first colon.
int opRow(const QString& op)
{
    return op.mid(1).section(':', 0, 0).toInt();
}

QString opText(const QString& op)
{
    return op.mid(op.indexOf(':') + 1);
}

} // namespace

class TestStationIndex : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Ops: "+line" appends, "=row:line" replaces, "-row" removes, "*" rebuilds.
    void matchesScan_data()
    {
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QStringList>("ops");
        const QString abc = line("2m", "FM", "VK3ABC");
        QTest::newRow("appends") << QStringList { abc, line("70cm", "FM", "VK3ABC") }
                                 << QStringList { "+" + abc, "+" + line("2m", "SSB", "VK3ABC"),
                                        "+" + line("2m", "FM", "VK3abc"), "+" + abc };
        // Spaces inside fields, no callsign, a band of no table, lines cut short.
        const QString padded = "2 m  F M    001  VK3 ABC" + abc.mid(30);
        QTest::newRow("damaged lines")
            << QStringList { padded, line("2m", "FM", ""), line("99m", "FM", "VK3ABC"), "2m   FM",
                   "", "2m   FM     001  VK3A", abc.left(25) }
            << QStringList { "+" + abc, "+2m   FM", "+", "+" + line("2m", "FM", ""), "*",
                   "=1:" + abc, "-0", "=2:2m   FM     001  VK3" };
        const QString def = line("2m", "FM", "VK3DEF");
        QTest::newRow("replaces") << QStringList { abc, def, abc, def, abc }
                                  << QStringList { "=4:" + def, "=0:" + def,
                                         "=2:" + line("6m", "CW", "VK3ABC"), "=2:" + abc,
                                         "=1:" + abc, "=3:" + abc };
        QTest::newRow("removes") << QStringList { abc, def, abc, def,
            abc } << QStringList { "-4", "-0", "-1", "+" + def, "-0", "-1", "-0", "+" + abc };
        // Enough stations to grow the table and to move entries when one leaves.
        QStringList many;
        QStringList ops;
        quint32 seed = 7;
        auto next = [&seed](quint32 n) { return (seed = seed * 1103515245u + 12345u) / 65536 % n; };
        auto randomLine = [&] {
            return line(next(2) ? "2m" : "6m", "FM", qPrintable(QString::number(next(60))));
        };
        for (int i = 0; i < 150; ++i)
            many.append(randomLine());
        for (int i = 0, size = 150; i < 120; ++i) {
            switch (next(3)) {
            case 0:
                ops.append("+" + randomLine());
                ++size;
                break;
            case 1:
                ops.append(QStringLiteral("=%1:").arg(next(size)) + randomLine());
                break;
            default:
                ops.append(QStringLiteral("-%1").arg(next(size--)));
            }
        }
        QTest::newRow("many stations") << many << ops;
    }

    void matchesScan()
    {
        QFETCH(QStringList, loaded);
        QFETCH(QStringList, ops);
        QStringList lines = loaded;
        StationIndex index(lines);
        index.rebuild();
        checkAgainstScan(lines, index);
        for (const QString& op : std::as_const(ops)) {
            if (op.startsWith('+')) {
                lines.append(op.mid(1));
                index.append();
            } else if (op.startsWith('=')) {
                const QString old = std::exchange(lines[opRow(op)], opText(op));
                index.replace(opRow(op), old);
            } else if (op.startsWith('-')) {
                const QString old = lines.takeAt(opRow(op));
                index.remove(opRow(op), old);
            } else {
                index.rebuild();
            }
            checkAgainstScan(lines, index);
            if (QTest::currentTestFailed())
                QFAIL(qPrintable("after " + op));
        }
        // A value is taken as given: one with a space is no stripped callsign.
        QCOMPARE(index.newest(u"VK3 ABC", u"2m", u"FM"), -1);
    }

    // The refusal goes by the newest match the logbook holds after an edit or a removal.
    void repeatAfterEdit_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("call");
        QTest::addColumn<QString>("timeStatus");
        QTest::newRow("unchanged") << ""
                                   << "VK3ABC"
                                   << " Last worked 60 min ago. ( 60 min to go )";
        QTest::newRow("callsign replaced into a match")
            << "=2:VK3ABC"
            << "VK3ABC"
            << " Last worked 10 min ago. ( 1 hrs 50 min to go )";
        QTest::newRow("newest match removed") << "-1"
                                              << "VK3ABC"
                                              << " Last worked 1 hrs 30 min ago. ( 30 min to go )";
        QTest::newRow("newest match replaced away")
            << "=1:VK3XYZ"
            << "VK3ABC"
            << " Last worked 1 hrs 30 min ago. ( 30 min to go )";
        QTest::newRow("callsign replaced out of a match") << "=2:VK3ABC"
                                                          << "VK3DEF"
                                                          << "";
    }

    void repeatAfterEdit()
    {
        QFETCH(QString, edit);
        QFETCH(QString, call);
        QFETCH(QString, timeStatus);
        QTemporaryDir dir;
        ContestSettings settings;
        settings.logFileName = dir.filePath("QZVHF.LOG");
        settings.backupLogFileName = dir.filePath("QZVHF.BAK");
        settings.callsign = "VK6XYZ";
        settings.contestFinishDate = QDate(2026, 8, 16);
        QByteArray log;
        for (const QString& l : { line("2m", "FM", "VK3ABC", "12:30"),
                 line("2m", "FM", "VK3ABC", "13:00"), line("2m", "FM", "VK3DEF", "13:50") })
            log += LogLineToFileRecord(l).toLatin1() + "\r\n";
        QVERIFY(writeFile(settings.logFileName, log));
        LogFileStore store;
        store.setSyncEnabled(false);
        LogBook book(store);
        NullUi ui;
        QVERIFY(book.LoadLogBook(settings, ui));
        if (edit.startsWith('-')) {
            book.RemoveContact(opRow(edit));
        } else if (edit.startsWith('=')) {
            ContactRecord r;
            const LogFields f = ParseLogLine(book.lines().at(opRow(edit)));
            r.band = f.band, r.mode = f.mode, r.rstSent = f.rstSent, r.name = f.name;
            r.rstReceived = f.rstReceived, r.time = f.time, r.date = f.date, r.points = f.points;
            r.callsign = opText(edit);
            book.ReplaceContact(r, opRow(edit), settings, ui);
        }

        TestClock clock;
        clock.setUtc(QDate(2026, 8, 15), QTime(14, 0), 8 * 3600);
        ContactEntry entry(settings, book, ui, clock, ui);
        entry.row().band.text = "2m";
        entry.row().mode.text = "FM";
        entry.SecondTickTimerTimer();
        entry.row().callsign.text = call;
        entry.CallsignNEnter();
        entry.NormaliseCallsign();
        QCOMPARE(entry.repeatShown(), !timeStatus.isEmpty());
        if (!timeStatus.isEmpty()) {
            QCOMPARE(entry.row().timeStatus.text, timeStatus);
            QCOMPARE(entry.row().callsign.textColour, ColourRole::BadQSO);
        }
    }
};

QTEST_GUILESS_MAIN(TestStationIndex)
#include "tst_stationindex.moc"
