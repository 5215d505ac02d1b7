#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "BandMode.h"
#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogCheck.h"
#include "LogExport.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "StationIndex.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

// Findings as line number and kind.
using Expected = QList<QPair<int, int>>;

// By default the second contact of a log that the checks find clean (see `first`).
struct Contact
{
    const char* band = "2m";
    const char* mode = "FM";
    const char* sent = "59002";
    const char* call = "VK4ABC";
    const char* name = "Al";
    const char* received = "59001";
    const char* time = "09:00";
    const char* date = "08-15-2026";
    const char* points = "1";
};

const Contact first { .sent = "59001", .call = "VK2ABC", .name = "Bob", .time = "08:05" };

QString line(const Contact& c)
{
    return FormatLogLine(QString::fromLatin1(c.band), QString::fromLatin1(c.mode),
        QString::fromLatin1(c.sent), QString::fromLatin1(c.call), QString::fromLatin1(c.name),
        QString::fromLatin1(c.received), QString::fromLatin1(c.time), QString::fromLatin1(c.date),
        QString::fromLatin1(c.points));
}

ExportStation station()
{
    ExportStation s;
    s.callsign = "VK3XYZ";
    s.name = "Ann Smith";
    s.address = "1 Long Road, Kestrelwood Heights VIC 3999, Australia, via the back gate";
    s.category = " HF operation on bands below 50MHz Single Operator section";
    s.section = "(c) Transmitting Open (Phone and CW)";
    s.claimedScore = 9;
    s.created = QDateTime(QDate(2026, 8, 16), QTime(9, 30, 5), Qt::UTC);
    return s;
}

// The small log: what the exports must carry, what each format can not name, a damaged report.
QStringList smallLog()
{
    return {
        line({ "40m", "SSB", "59001", "VK3ABC", "Bob", "59012", "08:05", "08-15-2026", "1" }),
        line({ "2m", "CW", "599002", "VK2XYZ", "Jos\xe9", "599007", "09:30", "08-15-2026", "2" }),
        line({ "23cm", "FM", "59003", "VK4DEF", "Ann", "591001", "10:00", "08-15-2026", "2" }),
        line({ "70cm", "TV", "59004", "VK5GHI", "", "59002", "11:00", "08-15-2026", "1" }),
        line({ "6m", "Phone", "005", "ZL1AB", "Kim", "003", "23:59", "08-15-2026", "1" }),
        line({ "160m", "Dgtl", "591000", "VK7JK/P", "Al", "59010", "02:00", "08-16-2026", "2" }),
        line({ "2m", "FM", "59A007", "VK2AAA", "Al", "59010", "02:01", "08-16-2026", "1" }),
        line({ "2m", "FM", "", "VK2AAB", "Al", "59011", "02:02", "08-16-2026", "1" }),
    };
}

ContestSettings checkSettings()
{
    ContestSettings s;
    s.callsign = "VK3XYZ";
    s.contestFinishDate = QDate(2026, 8, 16);
    s.contestFinishTime = QTime(7, 59, 59);
    s.repeatContactTimeHrs = 2;
    return s;
}

SheetFields sheet()
{
    return { "VK3XYZ", "Ann", "1 Main St", "Open cat", "(a) sec", 2026, "08-16-2026" };
}

} // namespace

class TestExports : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    LogFileStore m_store;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void initTestCase() { m_store.setSyncEnabled(false); }

    void smallLog_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QList<int>>("skipped");
        QTest::newRow("Cabrillo")
            << int(ExportFormat::Cabrillo)
            << QByteArray("START-OF-LOG: 3.0\r\n"
                          "CONTEST: KESTRELWOOD-CUP\r\n"
                          "CALLSIGN: VK3XYZ\r\n"
                          "CATEGORY-OPERATOR: SINGLE-OP\r\n"
                          "CATEGORY-BAND: ALL\r\n"
                          "CATEGORY-MODE: MIXED\r\n"
                          "CLAIMED-SCORE: 9\r\n"
                          "NAME: Ann Smith\r\n"
                          "ADDRESS: 1 Long Road, Kestrelwood Heights VIC 3999,\r\n"
                          "ADDRESS: Australia, via the back gate\r\n"
                          "CREATED-BY: VORAD 1.50\r\n"
                          "QSO:  7000 PH 2026-08-15 0805 VK3XYZ         59 001    VK3ABC         "
                          "59 012\r\n"
                          "QSO:   144 CW 2026-08-15 0930 VK3XYZ        599 002    VK2XYZ        "
                          "599 007\r\n"
                          "QSO:  1.2G FM 2026-08-15 1000 VK3XYZ         59 003    VK4DEF         "
                          "59 1001\r\n"
                          "QSO:    50 PH 2026-08-15 2359 VK3XYZ         59 005    ZL1AB          "
                          "59 003\r\n"
                          "QSO:  1800 DG 2026-08-16 0200 VK3XYZ         59 1000   VK7JK/P        "
                          "59 010\r\n"
                          "END-OF-LOG:\r\n")
            << QList<int> { 4, 7, 8 };
        QTest::newRow("ADIF")
            << int(ExportFormat::Adif)
            << QByteArray("Kestrelwood Cup log of VK3XYZ, exported by VORAD 1.50\r\n"
                          "<ADIF_VER:5>3.1.6\r\n"
                          "<PROGRAMID:5>VORAD\r\n"
                          "<PROGRAMVERSION:4>1.50\r\n"
                          "<CREATED_TIMESTAMP:15>20260816 093005\r\n"
                          "<EOH>\r\n"
                          "<CALL:6>VK3ABC <QSO_DATE:8>20260815 <TIME_ON:4>0805 <BAND:3>40m "
                          "<MODE:3>SSB <RST_SENT:2>59 <RST_RCVD:2>59 <STX:1>1 <SRX:2>12 "
                          "<NAME:3>Bob <STATION_CALLSIGN:6>VK3XYZ "
                          "<CONTEST_ID:15>KESTRELWOOD-CUP <EOR>\r\n"
                          "<CALL:6>VK2XYZ <QSO_DATE:8>20260815 <TIME_ON:4>0930 <BAND:2>2m "
                          "<MODE:2>CW <RST_SENT:3>599 <RST_RCVD:3>599 <STX:1>2 <SRX:1>7 "
                          "<NAME:4>Jose <STATION_CALLSIGN:6>VK3XYZ "
                          "<CONTEST_ID:15>KESTRELWOOD-CUP <EOR>\r\n"
                          "<CALL:6>VK4DEF <QSO_DATE:8>20260815 <TIME_ON:4>1000 <BAND:4>23cm "
                          "<MODE:2>FM <RST_SENT:2>59 <RST_RCVD:2>59 <STX:1>3 <SRX:4>1001 "
                          "<NAME:3>Ann <STATION_CALLSIGN:6>VK3XYZ "
                          "<CONTEST_ID:15>KESTRELWOOD-CUP <EOR>\r\n"
                          "<CALL:6>VK5GHI <QSO_DATE:8>20260815 <TIME_ON:4>1100 <BAND:4>70cm "
                          "<MODE:3>ATV <RST_SENT:2>59 <RST_RCVD:2>59 <STX:1>4 <SRX:1>2 "
                          "<STATION_CALLSIGN:6>VK3XYZ <CONTEST_ID:15>KESTRELWOOD-CUP <EOR>\r\n"
                          "<CALL:6>VK2AAB <QSO_DATE:8>20260816 <TIME_ON:4>0202 <BAND:2>2m "
                          "<MODE:2>FM <RST_RCVD:2>59 <SRX:2>11 <NAME:2>Al "
                          "<STATION_CALLSIGN:6>VK3XYZ <CONTEST_ID:15>KESTRELWOOD-CUP <EOR>\r\n")
            << QList<int> { 5, 6, 7 };
    }

    // Each format's bytes for a log of eight contacts; what it can not name is listed instead.
    // Cabrillo's fields are told apart by spaces: a serial alone gets the mode's nominal report.
    void smallLog()
    {
        QFETCH(int, format);
        QFETCH(QByteArray, expected);
        QFETCH(QList<int>, skipped);
        const QString out = path("small.out");
        const ExportResult r
            = ExportLog(ExportFormat(format), out, ::smallLog(), station(), m_store);
        QVERIFY2(r.written, qPrintable(r.error));
        QCOMPARE(readAll(out), expected);
        QList<int> lines;
        for (const ExportSkip& s : r.skipped)
            lines.append(s.lineNumber);
        QCOMPARE(lines, skipped);
        QCOMPARE(r.contacts, 8 - skipped.size());
    }

    // A space in the own callsign would give the QSO line a field more than a robot reads.
    void ownCallsignWithASpace()
    {
        ExportStation s = station();
        s.callsign = "VK3 XYZ";
        QVERIFY(ExportLog(ExportFormat::Cabrillo, path("own.cbr"), { line(first) }, s, m_store)
                    .written);
        const QByteArray file = readAll(path("own.cbr"));
        const QByteArray qso = file.mid(file.indexOf("QSO: ")).split('\r').first();
        QCOMPARE(qso.simplified().split(' ').size(), 11);
    }

    // 10,000 contacts over every band and mode, read back by a reader of the tests' own.
    void readBack()
    {
        QStringList lines;
        QByteArray records;
        static const char* const modes[] = { "Phone", "AM", "FM", "SSB", "TV", "Dgtl", "CW" };
        static const char* const names[] = { "Bob", "Jos\xe9", "M\xfcller", "",
            "Pe\xf1"
            "a" };
        for (int i = 0; i < 10000; ++i) {
            const QByteArray call = "VK" + QByteArray::number(1 + i % 8) + "A"
                + QByteArray(1, char('A' + i / 26 % 26)) + QByteArray(1, char('A' + i % 26));
            const QByteArray sent = i % 7 == 6
                ? "599" + QByteArray::number(1000 + i).right(4)
                : "59" + QByteArray::number(i % 1000).rightJustified(3, '0');
            const QByteArray time = QByteArray::number(i / 60 % 24).rightJustified(2, '0') + ":"
                + QByteArray::number(i % 60).rightJustified(2, '0');
            const QByteArray rcvd = i % 11 == 0
                ? QByteArray::number(i % 1000).rightJustified(3, '0')
                : "59" + QByteArray::number(i % 997).rightJustified(3, '0');
            Contact c { BandTable[i % 18].label, modes[i % 7], sent.constData(), call.constData(),
                names[i % 5], rcvd.constData(), time.constData(),
                i < 5000 ? "08-15-2026" : "08-16-2026", i % 3 ? "1" : "2" };
            lines.append(line(c));
            AppendFileRecord(records, lines.last());
            records += "\r\n";
        }
        QVERIFY(writeFile(path("big.LOG"), records));
        ExportStation s = station();
        for (auto [format, name] : { std::pair { ExportFormat::Cabrillo, "big.cbr" },
                 { ExportFormat::Adif, "big.adi" } }) {
            const ExportResult r = ExportLog(format, path(name), lines, s, m_store);
            QVERIFY2(r.written, qPrintable(r.error));
        }
        QProcess reader;
        reader.start("python3",
            { QStringLiteral(VORAD_TESTS_DIR "/output/read_exports.py"), path("big.LOG"),
                path("big.cbr"), path("big.adi") });
        QVERIFY(reader.waitForFinished(60000));
        const QByteArray said = reader.readAllStandardOutput() + reader.readAllStandardError();
        qInfo("%s", said.constData());
        QVERIFY2(reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 0,
            said.constData());
    }

    // A failed write leaves neither half a file nor a changed one under the name.
    void failedWriteKeepsTheOldFile()
    {
        const QString out = path("kept.adi");
        QVERIFY(writeFile(out, "the earlier export"));
        auto fs = std::make_shared<FailingFileSystem>();
        LogFileStore store(fs); // syncing, so that a failed sync shows
        QStringList lines;
        for (int i = 0; i < 3000; ++i) // more than one buffer's worth
            lines.append(line({}));
        for (bool FailingFileSystem::Faults::*fault : { &FailingFileSystem::Faults::write,
                 &FailingFileSystem::Faults::sync, &FailingFileSystem::Faults::rename }) {
            fs->faults().*fault = true;
            const ExportResult r = ExportLog(ExportFormat::Adif, out, lines, station(), store);
            fs->faults() = {};
            QVERIFY(!r.written);
            QVERIFY(!r.error.isEmpty());
            QCOMPARE(readAll(out), QByteArray("the earlier export"));
            QCOMPARE(QDir(m_dir.path()).entryList({ "kept*" }), QStringList { "kept.adi" });
        }
    }

    // No export takes the place of a file that holds contacts, by any name or link.
    void exportTarget()
    {
        const QString log = path("QZVHF.LOG");
        QVERIFY(writeFile(log, "\"08-15-2026\"\r\n"));
        QVERIFY(QFile::link(log, path("link.cbr")));
        QCOMPARE(::link(QFile::encodeName(log).constData(),
                     QFile::encodeName(path("hard.adi")).constData()),
            0);
        const QStringList contacts { log, path("QZVHF.BAK"), log + ".new" };
        for (const char* name :
            { "qzvhf.log", "other.Bak", "link.cbr", "hard.adi", "qzvhf.log.NEW", "QZVHF.LOG.lock" })
            QVERIFY2(!ExportTargetRefusal(path(name), contacts).isEmpty(), name);
        QCOMPARE(ExportTargetRefusal(path("QZVHF.cbr"), contacts), QString());
        QCOMPARE(ExportFileName(log, ExportFormat::Cabrillo), path("QZVHF.cbr"));
    }

    // The temporary file is a new one of its own, an ordinary file: what lies beside is untouched.
    void temporaryFileIsItsOwn()
    {
        QVERIFY(writeFile(path("victim.LOG"), "contacts"));
        QVERIFY(QFile::link(path("victim.LOG"), path("own.cbr.new")));
        QVERIFY(ExportLog(ExportFormat::Cabrillo, path("own.cbr"), {}, station(), m_store).written);
        QCOMPARE(readAll(path("victim.LOG")), QByteArray("contacts"));
        QVERIFY(QFileInfo(path("own.cbr")).permission(QFile::ReadOther));
    }

    void check_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("category");
        QTest::addColumn<Expected>("expected");
        using F = LogFinding;
        auto log = [](Contact second) { return QStringList { line(first), line(second) }; };
        auto add = [](const char* tag, const QStringList& lines, Expected expected,
                       const char* category = "Open cat", const char* name = "Ann") {
            QTest::newRow(tag) << lines << name << category << expected;
        };
        auto row = [&](const char* tag, Contact second, Expected expected) {
            add(tag, log(second), expected);
        };
        // An allowed repeat, the own area off HF, a portable call at night (local = UTC + 10),
        // CW on a doubled band at the night's edge.
        const QStringList clean { line(first), line({}),
            line({ .sent = "59003", .call = "VK2ABC", .time = "10:05" }),
            line({ .sent = "59004", .call = "VK3AAA" }),
            line({ "40m", "SSB", "59005", "VK5AB/P", "Al", "59001", "16:00", "08-15-2026", "2" }),
            line({ "23cm", "CW", "599006", "ZL1AB", "Al", "599001", "14:57", "08-15-2026", "8" }) };
        add("clean", clean, {});
        row("before the window", { .time = "07:58" }, { { 2, F::OutsideWindow } });
        row("after the window", { .time = "08:00", .date = "08-16-2026" },
            { { 2, F::OutsideWindow } });
        row("another year", { .date = "08-15-2025" }, { { 2, F::OutsideWindow } });
        row("repeat inside the interval", { .call = "VK2ABC", .time = "10:04" },
            { { 2, F::Repeat } });
        row("same call area on HF", { .band = "40m", .call = "VK3ABC" },
            { { 2, F::SameCallArea }, { 0, F::PointsTotal } });
        row("points too few for CW on 23cm",
            { .band = "23cm", .mode = "CW", .sent = "599002", .points = "2" },
            { { 2, F::Points }, { 0, F::PointsTotal } });
        row("early morning undoubled", { .time = "16:00" },
            { { 2, F::Points }, { 0, F::PointsTotal } });
        row("points do not read", { .points = "x" }, { { 2, F::Points }, { 0, F::PointsTotal } });
        row("date does not read", { .date = "13-40-2026" }, { { 2, F::DateTime } });
        row("serial twice", { .sent = "59001" }, { { 2, F::Serial } });
        row("allowed repeat re-sends its report",
            { .sent = "59001", .call = "VK2ABC", .time = "10:05" }, { { 2, F::Serial } });
        row("serial out of order", { .sent = "59000" }, { { 2, F::Serial } });
        row("no serial", { .sent = "" }, { { 2, F::Serial } });
        row("callsign refused", { .call = "XX1ABC" }, { { 2, F::Callsign } });
        row("callsign without its prefix", { .call = "4ABC" }, { { 2, F::Callsign } });
        row("unknown band", { .band = "4m" }, { { 2, F::BandMode } });
        // After a refused callsign the last one is still VK2ABC: seven letters are refused too.
        add("refused callsign is not the last",
            { line(first), line({ .call = "XX1ABC" }),
                line({ .sent = "59003", .call = "VK4ABCD" }) },
            { { 2, F::Callsign }, { 3, F::Callsign } });
        add("name missing", log({}), { { 0, F::MissingSetting } }, "Open cat", "<type your name>");
        const char* hf = " HF operation on bands below 50MHz Single Operator section";
        const char* vhf = " VHF operation on and above 50MHz Multi-operator";
        add("HF category, contacts on 2m", log({}), { { 0, F::Category } }, hf);
        add("VHF category, a contact on 40m", log({ .band = "40m" }), { { 0, F::Category } }, vhf);
        add("VHF category, VHF contacts", log({}), {}, vhf);
        // Typed over the list: a category for both groups says nothing against either.
        add("category typed hf/vhf, contacts on 2m", log({}), {}, "hf/vhf");
        add("category typed VHF and HF, a contact on 40m", log({ .band = "40m" }), {},
            "VHF and HF");
        row("received report empty", { .received = "" }, { { 2, F::Report } });
        row("name empty", { .name = "" }, { { 2, F::Name } });
        row("name empty in the own call area, which scores 0",
            { .band = "40m", .call = "VK3ABC", .name = "", .points = "0" }, {});
        row("serial skipped", { .sent = "59004" }, { { 2, F::Serial } });
        add("first serial not 1", { line({ .sent = "59003" }) }, { { 1, F::Serial } });
    }

    // A log not read whole holds the contacts made since: the serials below them are in the file.
    void checkLogNotReadWhole()
    {
        const QStringList lines { line({ .sent = "59057", .call = "VK2ABC" }),
            line({ .sent = "59059" }) };
        StationIndex stations(lines);
        stations.rebuild();
        const LogFindings f = CheckLog(lines, stations, checkSettings(), sheet(), 10 * 3600, false);
        QCOMPARE(f.size(), 1);
        QCOMPARE(FindingRowText(f[0]), "Line 2    serial 059 follows a gap: 58 never sent");
    }

    // Each finding on a log made to hold it; a clean log and settings give none.
    void check()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, name);
        QFETCH(QString, category);
        QFETCH(Expected, expected);
        SheetFields fields = sheet();
        fields.name = name;
        fields.category = category;
        // Local time is UTC + 10 hours: 15:00 to 20:00 UTC is the early morning.
        const LogFindings findings = CheckLog(lines, checkSettings(), fields, 10 * 3600);
        Expected got;
        QStringList texts;
        for (const LogFinding& f : findings) {
            got.append({ f.lineNumber, int(f.kind) });
            texts.append(FindingRowText(f));
        }
        QVERIFY2(got == expected, qPrintable(texts.join('\n')));
    }

    // The window's 24 hours may cross the new year: the moments count, not the year.
    void windowAcrossTheYear()
    {
        ContestSettings s = checkSettings();
        s.contestFinishDate = QDate(2027, 1, 1);
        const QStringList lines {
            line({ "2m", "FM", "59001", "VK2ABC", "Bob", "59012", "07:59", "12-31-2026" }),
            line({ "2m", "FM", "59002", "VK4ABC", "Al", "59012", "07:58", "12-31-2026" })
        };
        const LogFindings f = CheckLog(lines, s, sheet(), 10 * 3600);
        QCOMPARE(f.size(), 1);
        QCOMPARE(FindingRowText(f[0]),
            "Line 2    VK4ABC at 12-31-2026 07:58 is outside the contest window (12-31-2026 07:59 "
            "to 01-01-2027 07:59 UTC)");
    }

    // What the operator reads for the findings that carry figures.
    void checkTexts()
    {
        const QStringList lines { line(
                                      { "40m", "SSB", "59001", "VK2ABC", "Bob", "59012", "08:05" }),
            line({ "40m", "SSB", "59002", "VK2ABC", "Bob", "59012", "09:04" }),
            line({ "2m", "CW", "599003", "VK4ABC", "Al", "599001", "09:10" }),
            line({ "2m", "FM", "59006", "VK5ABC", "", "", "09:20" }) };
        SheetFields fields = sheet();
        fields.category = " HF operation on bands below 50MHz Single Operator section";
        const LogFindings f = CheckLog(lines, checkSettings(), fields, 10 * 3600);
        QCOMPARE(f.size(), 7);
        QCOMPARE(FindingRowText(f[0]),
            "Line 2    VK2ABC on 40m SSB again 59 min after line 1; the repeat interval is 2 hrs");
        QCOMPARE(FindingRowText(f[1]),
            "Line 3    VK4ABC on 2m CW has 1 point; the scoring rules give 2");
        QCOMPARE(FindingRowText(f[2]), "Line 4    serial 006 follows a gap: 4 to 5 never sent");
        QCOMPARE(FindingRowText(f[3]), "Line 4    the received report is empty");
        QCOMPARE(FindingRowText(f[4]), "Line 4    the name is empty");
        QCOMPARE(FindingRowText(f[5]),
            "Log       the points total is 4; by the scoring rules it would be 5");
        QCOMPARE(FindingRowText(f[6]),
            "Settings  the category is for HF bands below 50 MHz, but 2 contacts are on 50 MHz "
            "and up (the first on line 3)");
    }
};

QTEST_GUILESS_MAIN(TestExports)
#include "tst_exports.moc"
