#include <QTest>

#include "LogLine.h"

using namespace vorad;

namespace {

QString sampleLine(const QString& rstSent = QStringLiteral("59001"),
    const QString& name = QStringLiteral("Peter"), const QString& points = QStringLiteral("1"))
{
    return FormatLogLine(QStringLiteral("2m"), QStringLiteral("FM"), rstSent,
        QStringLiteral("VK3ABC"), name, QStringLiteral("59012"), QStringLiteral("09:14"),
        QStringLiteral("08-15-2026"), points);
}

} // namespace

class TestLogLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void layoutColumns()
    {
        const QString line = sampleLine();
        QCOMPARE(line,
            QStringLiteral(
                "2m   FM      59001  VK3ABC      Peter     59012    09:14    08-15-2026  1"));
        QCOMPARE(line.mid(11, 7), QStringLiteral("  59001")); // columns 12-18
        QCOMPARE(line.mid(18, 2), QStringLiteral("  ")); // columns 19-20
        QCOMPARE(line.indexOf(QLatin1Char('1'), 72), 72); // points at column 73
        QCOMPARE(ParseLogLine(line).rstSent, QStringLiteral("59001"));
    }

    void reader_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>(
            "fields"); // band mode rstSent call name rstRx time date points
        QTest::newRow("whole") << sampleLine()
                               << QStringList { "2m", "FM", "59001", "VK3ABC", "Peter", "59012",
                                      "09:14", "08-15-2026", "1" };
        QTest::newRow("interior space leaves the name")
            << sampleLine(QStringLiteral("59001"), QStringLiteral("Jo Ann"))
            << QStringList { "2m", "FM", "59001", "VK3ABC", "JoAnn", "59012", "09:14", "08-15-2026",
                   "1" };
        QTest::newRow("two-digit points survive")
            << sampleLine(QStringLiteral("59001"), QStringLiteral("Peter"), QStringLiteral("12"))
            << QStringList { "2m", "FM", "59001", "VK3ABC", "Peter", "59012", "09:14", "08-15-2026",
                   "12" };
        QTest::newRow("CW six characters, as earlier versions wrote them")
            << sampleLine(QStringLiteral("599012"))
            << QStringList { "2m", "FM", "599012", "VK3ABC", "Peter", "59012", "09:14",
                   "08-15-2026", "1" };
        QTest::newRow("short line yields what exists") << QStringLiteral(
            "70cm SSB       5") << QStringList { "70cm", "SSB", "5", "", "", "", "", "", "" };
        QTest::newRow("empty") << QString() << QStringList { "", "", "", "", "", "", "", "", "" };
    }

    void reader()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        const LogFields f = ParseLogLine(line);
        QCOMPARE((QStringList { f.band, f.mode, f.rstSent, f.callsign, f.name, f.rstReceived,
                     f.time, f.date, f.points }),
            fields);
    }

    void fileRecord()
    {
        QCOMPARE(LogLineToFileRecord(sampleLine(QStringLiteral("59001"), QStringLiteral("Jo Ann"))),
            QStringLiteral("\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\","
                           "1,\"JoAnn\""));
    }

    void fourDigitSerialRoundTrips()
    {
        const QString line = sampleLine(QStringLiteral("5991000"));
        QCOMPARE(line.mid(11, 9), QStringLiteral("5991000  ")); // columns 12-20
        const QString record = LogLineToFileRecord(line);
        QVERIFY(record.contains(QLatin1String(",\"5991000\",")));
        bool wasCut = true;
        QCOMPARE(FileRecordToLogLine(record, &wasCut), line);
        QVERIFY(!wasCut);
        QCOMPARE(ParseLogLine(line).rstSent, QStringLiteral("5991000"));
    }

    void recordToLine_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("cut");
        const QString good = QStringLiteral(
            "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"");
        QTest::newRow("normal") << good << sampleLine() << false;
        QTest::newRow("fields after the ninth are ignored")
            << QStringLiteral("\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\","
                              "\"59012\",1,\"Peter\",\"x\",\"y\"")
            << FormatLogLine(
                   "2m", "FM", "59001", "VK3ABC", "Peter", "59012", "09:14", "08-15-2026", "1")
            << false;
        QTest::newRow("fewer fields stay empty")
            << QStringLiteral("\"08-15-2026\",\"09:14\",\"2m\"")
            << FormatLogLine("2m", "", "", "", "", "", "09:14", "08-15-2026", "") << false;
        QTest::newRow("stray quotes are dropped") << QStringLiteral(
            "\"08-15-2026\",\"09:\"14\",\"2m\",\"FM\",\"VK\"3ABC\",\"59001\",\"59012\",1,\"Peter\"")
                                                  << sampleLine() << false;
        QTest::newRow("last character never belongs to a field") << QStringLiteral(
            "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,Peterx")
                                                                 << sampleLine() << false;
        QTest::newRow("an over-long field is cut to its column")
            << QStringLiteral("\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABCDEFGHIJKLMN\","
                              "\"59001\",\"59012\",1,\"Peter\"")
            << FormatLogLine(
                   "2m", "FM", "59001", "VK3ABCDEFG", "Peter", "59012", "09:14", "08-15-2026", "1")
            << true;
        QTest::newRow("empty record")
            << QString() << FormatLogLine("", "", "", "", "", "", "", "", "") << false;
    }

    void recordToLine()
    {
        QFETCH(QString, record);
        QFETCH(QString, line);
        QFETCH(bool, cut);
        bool wasCut = !cut;
        QCOMPARE(FileRecordToLogLine(record, &wasCut), line);
        QCOMPARE(wasCut, cut);
    }

    // Whatever a record holds, writing its line back and reading it again changes nothing more:
    // a damaged record cannot drift a little further at every rewrite.
    void recordRoundTripIsStable_data()
    {
        QTest::addColumn<QString>("record");
        QTest::newRow("normal") << QStringLiteral(
            "\"08-15-2026\",\"09:14\",\"2m\",\"FM\",\"VK3ABC\",\"59001\",\"59012\",1,\"Peter\"");
        QTest::newRow("long everything") << QStringLiteral(
            "\"08-15-2026-extra\",\"09:14:59\",\"2200m\",\"FMFMFMFM\",\"VK3ABCDEFGHIJK\","
            "\"5990012345\",\"599001234\",12,\"Christopherson\"");
        QTest::newRow("binary") << QString::fromLatin1("\"\x01\xff\",\"\x7f\",,,,,,\x80,\"\xe9\"");
    }

    void recordRoundTripIsStable()
    {
        QFETCH(QString, record);
        const QString once = FileRecordToLogLine(record);
        const QString twice = FileRecordToLogLine(LogLineToFileRecord(once));
        QCOMPARE(twice, once);
    }

    void nextSerial_data()
    {
        QTest::addColumn<QStringList>("rstSents");
        QTest::addColumn<int>("serial");
        QTest::newRow("empty log") << QStringList {} << 1;
        QTest::newRow("59012") << QStringList { "59001", "59012" } << 13;
        QTest::newRow("012") << QStringList { "012" } << 13;
        QTest::newRow("short text is taken whole") << QStringList { "7" } << 8;
        QTest::newRow("599012") << QStringList { "599012" } << 13;
        QTest::newRow("591000") << QStringList { "591000" } << 1001;
        QTest::newRow("5991000") << QStringList { "5991000" } << 1001;
        QTest::newRow("1000") << QStringList { "1000" } << 1001;
        QTest::newRow("a damaged last line counts on from the one before")
            << QStringList { "59041", "59x" } << 42;
        QTest::newRow("a damaged line after a four-digit serial")
            << QStringList { "5991041", "59x" } << 1042;
    }

    void nextSerial()
    {
        QFETCH(QStringList, rstSents);
        QFETCH(int, serial);
        QStringList lines;
        for (const QString& rst : rstSents)
            lines.append(sampleLine(rst));
        QCOMPARE(NextSerialNumber(lines), serial);
    }

    void caption_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        const QString head = QStringLiteral("Vandrel Contest Program 1.50      ");
        QTest::newRow("25 characters whole") << QStringLiteral("/home/op/logs/QZVHF.LOG25")
                                             << head + QStringLiteral("/home/op/logs/QZVHF.LOG25");
        QTest::newRow("26 characters shortened") << QStringLiteral(
            "/home/op/logs/xQZVHF.LOG26") << head + QStringLiteral("/home/op/log..../xQZVHF.LOG26");
    }

    void caption()
    {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QCOMPARE(LogFileCaption(name), caption);
    }

    void stripSpaces()
    {
        QCOMPARE(StripSpaces(QStringLiteral(" 2m  ")), QStringLiteral("2m"));
        QCOMPARE(StripSpaces(QStringLiteral("Jo Ann Lee")), QStringLiteral("JoAnnLee"));
        QCOMPARE(StripSpaces(QStringLiteral("\tx")), QStringLiteral("\tx")); // only spaces
    }

    void pointsValue_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("value");
        QTest::newRow("digit") << "2" << true << 2;
        QTest::newRow("two digits") << "16" << true << 16;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("letter") << "x" << false << 0;
        QTest::newRow("huge") << "99999999999999999999" << false << 0;
    }

    void pointsValue()
    {
        QFETCH(QString, text);
        QFETCH(bool, ok);
        QFETCH(int, value);
        int v = -1;
        QCOMPARE(PointsValue(text, &v), ok);
        QCOMPARE(v, value);
    }
};

QTEST_GUILESS_MAIN(TestLogLine)
#include "tst_logline.moc"
