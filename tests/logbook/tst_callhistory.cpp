#include <QMap>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include "BandMode.h"
#include "CallHistory.h"
#include "EntryRules.h"
#include "LogLine.h"
#include "StationIndex.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

QString line(const QString& band, const QString& call, const QString& name = QStringLiteral("Al"))
{
    return FormatLogLine(band, "FM", "59001", call, name, "59012", "10:00", "08-15-2026", "1");
}

} // namespace

class TestCallHistory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("names");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<QString>("name");
        QTest::newRow("one line") << QByteArray("VK3ABC,Peter\n") << 1 << 0 << "VK3ABC"
                                  << "Peter";
        QTest::newRow("CR LF, no end of line")
            << QByteArray("VK3ABC,Peter\r\nVK3XYZ,Kim") << 2 << 0 << "VK3XYZ"
            << "Kim";
        QTest::newRow("lower case and spaces in the callsign")
            << QByteArray("vk3 abc ,  Peter  \n") << 1 << 0 << "VK3ABC"
            << "Peter";
        QTest::newRow("last one wins")
            << QByteArray("VK3ABC,Peter\nVK3ABC,Pete\n") << 2 << 0 << "VK3ABC"
            << "Pete";
        QTest::newRow("blank lines are not counted")
            << QByteArray("\n\r\n   \nVK3ABC,Peter\n\n") << 1 << 0 << "VK3ABC"
            << "Peter";
        QTest::newRow("further fields ignored")
            << QByteArray("VK3ABC,Peter,QF22,Melbourne\n") << 1 << 0 << "VK3ABC"
            << "Peter";
        QTest::newRow("cut to the name box")
            << QByteArray("VK3ABC,Christopher\n") << 1 << 0 << "VK3ABC"
            << "Christophe";
        QTest::newRow("Latin-1 name") << QByteArray("VK3ABC,Ren\xe9\n") << 1 << 0 << "VK3ABC"
                                      << QString::fromLatin1("Ren\xe9");
        QTest::newRow("quotes and tabs out of the name")
            << QByteArray("VK3ABC,\"Pe\tter\"\n") << 1 << 0 << "VK3ABC"
            << "Peter";
        QTest::newRow("no comma") << QByteArray("VK3ABC Peter\nVK3XYZ,Kim\n") << 1 << 1 << "VK3ABC"
                                  << "";
        QTest::newRow("empty callsign") << QByteArray(",Peter\n") << 0 << 1 << ""
                                        << "";
        QTest::newRow("no digit in the callsign")
            << QByteArray("ABCDEF,Peter\n") << 0 << 1 << "ABCDEF"
            << "";
        QTest::newRow("other characters in the callsign")
            << QByteArray("VK3-ABC,Peter\n") << 0 << 1 << "VK3-ABC"
            << "";
        QTest::newRow("empty name") << QByteArray("VK3ABC,\nVK3ABD,   \n") << 0 << 2 << "VK3ABC"
                                    << "";
        QTest::newRow("over-long callsign")
            << QByteArray("VK3ABCDEFGH,Peter\n") << 0 << 1 << "VK3ABCDEFGH"
            << "";
        QTest::newRow("over-long name field")
            << QByteArray("VK3ABC,") + QByteArray(40, 'x') + "\nVK3XYZ,Kim\n"
            << 1 << 1 << "VK3ABC"
            << "";
        QTest::newRow("portable callsign") << QByteArray("VK3ABC/P,Peter\n") << 1 << 0 << "VK3ABC/P"
                                           << "Peter";
        QTest::newRow("NUL bytes and a control line")
            << QByteArray("VK3ABC,Pe\0ter\n\x01\x02\x03\nVK3XYZ,Kim\n", 29) << 2 << 1 << "VK3ABC"
            << "Peter";
        QTest::newRow("empty file") << QByteArray() << 0 << 0 << "VK3ABC"
                                    << "";
    }

    void parse()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, names);
        QFETCH(int, skipped);
        QFETCH(QString, callsign);
        QFETCH(QString, name);
        CallHistory history;
        const CallHistory::ReadResult r = history.parse(bytes, NameBoxLength);
        QVERIFY(r.read);
        QCOMPARE(r.names, names);
        QCOMPARE(r.skipped, skipped);
        QCOMPARE(history.name(callsign), name);
    }

    // Whatever the bytes, the read ends and every name it keeps is one the name box takes.
    void damagedFileNeverGivesWhatTheBoxRefuses()
    {
        QRandomGenerator random(25);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes(random.bounded(2000), '\0');
            for (char& b : bytes) {
                const quint32 pick = random.bounded(10u);
                b = pick < 2 ? ',' : pick < 3 ? '\n' : static_cast<char>(random.bounded(256u));
            }
            CallHistory history;
            const CallHistory::ReadResult r = history.parse(bytes, NameBoxLength);
            QVERIFY(r.names >= history.size());
            for (const QByteArray& l : bytes.split('\n')) {
                const QString call = QString::fromLatin1(l.left(l.indexOf(','))).toUpper();
                const QString n = history.name(call);
                QVERIFY(n.size() <= NameBoxLength);
                QCOMPARE(FilterEntryText(n, EntryKind::Name), n);
            }
        }
    }

    void readFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("history.txt"));
        QVERIFY(writeFile(path, "VK3ABC,Peter\r\nbad line\r\nVK3XYZ,Kim\r\n"));
        CallHistory history;
        const CallHistory::ReadResult r = history.readFile(path, NameBoxLength);
        QVERIFY(r.read);
        QCOMPARE(r.names, 2);
        QCOMPARE(r.skipped, 1);
        QCOMPARE(history.name(QStringLiteral("VK3XYZ")), QStringLiteral("Kim"));
        QCOMPARE(CallHistoryReadText(path, r),
            QStringLiteral("  Call history: 2 names read, 1 line skipped"));

        // A file that cannot be read leaves no names from an earlier one.
        for (const QString& bad : { dir.filePath(QStringLiteral("missing.txt")), dir.path() }) {
            const CallHistory::ReadResult none = history.readFile(bad, NameBoxLength);
            QVERIFY(!none.read);
            QCOMPARE(history.size(), 0);
            QCOMPARE(CallHistoryReadText(bad, none),
                QStringLiteral("  Call history %1 could not be read - no names from it...")
                    .arg(bad));
        }
    }

    void readText_data()
    {
        QTest::addColumn<int>("names");
        QTest::addColumn<int>("skipped");
        QTest::addColumn<QString>("text");
        QTest::newRow("thousands")
            << 12345 << 3 << "  Call history: 12,345 names read, 3 lines skipped";
        QTest::newRow("none skipped") << 1 << 0 << "  Call history: 1 name read";
        QTest::newRow("nothing read") << 0 << 2 << "  Call history: 0 names read, 2 lines skipped";
    }

    void readText()
    {
        QFETCH(int, names);
        QFETCH(int, skipped);
        QFETCH(QString, text);
        CallHistory::ReadResult r;
        r.read = true;
        r.names = names;
        r.skipped = skipped;
        QCOMPARE(CallHistoryReadText(QStringLiteral("h.txt"), r), text);
    }

    void lastLoggedName()
    {
        const QStringList lines { line("2m", "VK3ABC", "Peter"), line("6m", "VK3ABC", "Pete"),
            line("70cm", "VK3ABD", "Kim"), line("6m", "VK3ABC", ""), line("2m", "VK3ABCD", "X") };
        StationIndex index(lines);
        index.rebuild();
        QCOMPARE(LastLoggedName(lines, index, u"VK3ABC"), QStringLiteral("Pete"));
        QCOMPARE(LastLoggedName(lines, index, u"VK3ABD"), QStringLiteral("Kim"));
        QCOMPARE(LastLoggedName(lines, index, u"VK3AB"), QString());
    }

    void partialCheck_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("hint");
        QTest::newRow("under two characters") << "V"
                                              << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("newest first, bands in order") << "ABC"
                                                      << "VK3ABC 20m 2m 70cm   ZL1ABC 6m";
        QTest::newRow("a middle part") << "3AB"
                                       << "VK3ABC 20m 2m 70cm   VK3ABD 20m";
        QTest::newRow("nothing logged holds it") << "QQ"
                                                 << "";
        QTest::newRow("the whole callsign") << "VK3ABD"
                                            << "VK3ABD 20m";
    }

    void partialCheck()
    {
        QFETCH(QString, typed);
        QFETCH(QString, hint);
        // Oldest first: VK3ABD, ZL1ABC, then VK3ABC on three bands and two modes.
        QStringList lines { line("20m", "VK3ABD"), line("6m", "ZL1ABC"), line("2m", "VK3ABC"),
            line("70cm", "VK3ABC"), line("20m", "VK3ABC") };
        lines.append(FormatLogLine(
            "2m", "CW", "599001", "VK3ABC", "Al", "599012", "10:00", "08-15-2026", "2"));
        StationIndex index(lines);
        index.rebuild();
        QCOMPARE(PartialCheckText(lines, index, typed), hint);
    }

    // Eight at most, the newest contacts' callsigns, against a plain scan of the log.
    void partialCheckAgainstScan()
    {
        QRandomGenerator random(7);
        QStringList lines;
        for (int i = 0; i < 3000; ++i)
            lines.append(line(QString::fromLatin1(BandTable[random.bounded(18)].label),
                QStringLiteral("VK%1A%2").arg(random.bounded(10)).arg(random.bounded(100))));
        StationIndex index(lines);
        index.rebuild();
        for (const char* typed : { "VK", "A1", "3A", "A99", "VK5A7" }) {
            QStringList order;
            QMap<QString, QSet<int>> bands;
            for (int row = static_cast<int>(lines.size()) - 1; row >= 0; --row) {
                const LogFields f = ParseLogLine(lines.at(row));
                if (!f.callsign.contains(QLatin1String(typed)))
                    continue;
                if (!order.contains(f.callsign))
                    order.append(f.callsign);
                bands[f.callsign].insert(BandIndex(f.band));
            }
            QStringList expected;
            for (const QString& call : order.mid(0, 8)) {
                QString one = call;
                for (int b = 0; b < 18; ++b) {
                    if (bands[call].contains(b))
                        one += QLatin1Char(' ') + QLatin1String(BandTable[b].label);
                }
                expected.append(one);
            }
            QCOMPARE(PartialCheckText(lines, index, QString::fromLatin1(typed)),
                expected.join(QStringLiteral("   ")));
        }
    }
};

QTEST_GUILESS_MAIN(TestCallHistory)
#include "tst_callhistory.moc"
