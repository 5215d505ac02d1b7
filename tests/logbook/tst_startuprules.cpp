#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "StartupRules.h"

using namespace vorad;

class TestStartupRules : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void contestDates_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QDate>("start");
        QTest::newRow("15 August a Saturday (2026)") << 2026 << QDate(2026, 8, 15);
        QTest::newRow("a Wednesday (2029): three days later") << 2029 << QDate(2029, 8, 18);
        QTest::newRow("a Tuesday (2028): three days earlier") << 2028 << QDate(2028, 8, 12);
        QTest::newRow("a Sunday (2027): the day before") << 2027 << QDate(2027, 8, 14);
        QTest::newRow("a Friday (2025): the day after") << 2025 << QDate(2025, 8, 16);
    }

    void contestDates()
    {
        QFETCH(int, year);
        QFETCH(QDate, start);
        const ContestDates d = DefaultContestDates(year);
        QCOMPARE(d.start, start);
        QCOMPARE(d.start.dayOfWeek(), int(Qt::Saturday));
        QCOMPARE(d.finish, start.addDays(1));
    }

    void timeZoneLabel_data()
    {
        QTest::addColumn<int>("offsetMinutes");
        QTest::addColumn<QString>("label");
        QTest::newRow("UTC+9:30") << 570 << "UTC +9.5";
        QTest::newRow("UTC+8") << 480 << "UTC +8";
        QTest::newRow("UTC-5") << -300 << "UTC -5";
        QTest::newRow("UTC") << 0 << "UTC +0";
        QTest::newRow("UTC-3:30") << -210 << "UTC -3.5";
        QTest::newRow("UTC+12:45 (Chatham)") << 765 << "UTC +12.75";
        QTest::newRow("UTC+8:45") << 525 << "UTC +8.75";
    }

    void timeZoneLabel()
    {
        QFETCH(int, offsetMinutes);
        QFETCH(QString, label);
        QCOMPARE(TimeZoneLabel(UtcOffsetFromSeconds(offsetMinutes * 60)), label);
    }

    void overrideFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("callsign");
        QTest::addColumn<bool>("hasOffset");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("label");
        QTest::newRow("quoted +10")
            << QByteArray("VK4XYZ\r\n\"+10\"\r\n") << "VK4XYZ" << true << true << 10 << "UTC +10";
        QTest::newRow("negative") << QByteArray("\"ZL1AB\"\n-3\n") << "ZL1AB" << true << true << -3
                                  << "UTC -3";
        QTest::newRow("callsign only")
            << QByteArray("VK4XYZ\n") << "VK4XYZ" << false << false << 0 << "UTC ";
        QTest::newRow("not a number")
            << QByteArray("VK4XYZ\nten\n") << "VK4XYZ" << true << false << 0 << "UTC ten";
        QTest::newRow("more than 21 lines")
            << QByteArray("VK4XYZ\n8\n") + QByteArray(50, 'x').append('\n').repeated(40) << "VK4XYZ"
            << true << true << 8 << "UTC 8";
        QTest::newRow("binary") << QByteArray("\x01\x02\xff\n\x80\n", 6)
                                << QString::fromLatin1("\x01\x02\xff") << true << false << 0
                                << QString::fromLatin1("UTC \x80");
    }

    void overrideFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, callsign);
        QFETCH(bool, hasOffset);
        QFETCH(bool, valid);
        QFETCH(int, hours);
        QFETCH(QString, label);
        const OverrideFile qz = ParseOverrideFile(bytes);
        QCOMPARE(qz.callsign, callsign);
        QCOMPARE(qz.hasOffset, hasOffset);
        QCOMPARE(qz.offsetValid, valid);
        QCOMPARE(qz.offsetHours, hours);
        QCOMPARE(qz.timeZoneLabel(), label);
    }

    void hugeOverrideFileIsReadOnlyAtItsHead()
    {
        const OverrideFile qz = ParseOverrideFile(QByteArray(10 * 1024 * 1024, 'A'));
        QCOMPARE(qz.callsign.size(), 255);
        QVERIFY(!qz.hasOffset);
        QCOMPARE(ParseOverrideFile("VK1\nabc\n").conversionError(),
            QStringLiteral("'abc' is not a valid integer value"));
    }

    void overrideFileEdges_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("hasCallsign");
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("rangeError"); // empty: none
        QTest::addColumn<QString>("label");
        QTest::newRow("999999") << QByteArray("VK4XYZ\n999999\n") << true << 14
                                << "'999999' is out of range for the UTC offset: 14 is used"
                                << "UTC +14";
        QTest::newRow("-999999") << QByteArray("VK4XYZ\n-999999\n") << true << -12
                                 << "'-999999' is out of range for the UTC offset: -12 is used"
                                 << "UTC -12";
        QTest::newRow("empty file") << QByteArray() << false << 0 << ""
                                    << "UTC ";
        QTest::newRow("empty first line") << QByteArray("\" \" \r\n+14\r\n") << false << 14 << ""
                                          << "UTC +14";
    }

    void overrideFileEdges()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hasCallsign);
        QFETCH(int, hours);
        QFETCH(QString, rangeError);
        QFETCH(QString, label);
        const OverrideFile qz = ParseOverrideFile(bytes);
        QCOMPARE(qz.hasCallsign, hasCallsign);
        QCOMPARE(qz.offsetHours, hours);
        QCOMPARE(qz.offsetClamped ? qz.rangeError() : QString(), rangeError);
        QCOMPARE(qz.timeZoneLabel(), label);
    }

    // The help page: the browser's page before the pointer file, the current folder before
    // the program's; with neither, the pointer file's name in the current folder.
    void helpFilePath_data()
    {
        QTest::addColumn<QStringList>("files"); // folder 0 or 1, then the name
        QTest::addColumn<QString>("found");
        QTest::newRow("none") << QStringList {} << "0/DOVavoviv.hlp";
        QTest::newRow("page beside the program")
            << QStringList { "1/DOVavoviv.html" } << "1/DOVavoviv.html";
        QTest::newRow("pointer here, page beside the program")
            << QStringList { "0/DOVavoviv.hlp", "1/DOVavoviv.html" } << "0/DOVavoviv.hlp";
        QTest::newRow("both here")
            << QStringList { "0/DOVavoviv.hlp", "0/DOVavoviv.html" } << "0/DOVavoviv.html";
    }
    void helpFilePath()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, found);
        QTemporaryDir dir;
        const QStringList folders { dir.filePath("0"), dir.filePath("1") };
        for (const QString& folder : folders)
            QVERIFY(QDir().mkpath(folder));
        for (const QString& name : files) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(HelpFilePath(folders), dir.filePath(found));
    }
};

QTEST_GUILESS_MAIN(TestStartupRules)
#include "tst_startuprules.moc"
