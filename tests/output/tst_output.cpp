#include <QTemporaryDir>
#include <QTest>

#include "LogLine.h"
#include "PageTotals.h"
#include "PrintLayout.h"
#include "SummarySheet.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

QString line(const char* band, const char* call, const char* points, const char* name = "BOB",
    const char* date = "08-15-2026", const char* mode = "FM")
{
    return FormatLogLine(QString::fromLatin1(band), QString::fromLatin1(mode),
        QStringLiteral("59001"), QString::fromLatin1(call), QString::fromLatin1(name),
        QStringLiteral("59012"), QStringLiteral("09:14"), QString::fromLatin1(date),
        QString::fromLatin1(points));
}

QStringList contacts(int count, int points = 1)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << line("2m", qPrintable(QStringLiteral("VK%1").arg(i, 4, 10, QLatin1Char('0'))),
            qPrintable(QString::number(points)));
    return lines;
}

SheetFields fields(const char* name = "Anne")
{
    return { "VK6XYZ", QString::fromLatin1(name), "1 Main St", " HF cat", "(a) sec", 2026,
        "08-16-2026" };
}

// Records what is drawn; a line is 100 units high, a character 60 wide.
struct RecordingSurface : PrintSurface
{
    struct Text
    {
        int page, x, y;
        QString text;
    };
    int width = 4958, height = 7017;
    int page = 0;
    bool begun = false;
    QList<Text> texts;

    int pageWidth() const override { return width; }
    int pageHeight() const override { return height; }
    void setFont(const QString&, int, bool) override { }
    int textHeight(const QString&) override { return 100; }
    int textWidth(const QString& t) override { return 60 * static_cast<int>(t.size()); }
    void drawText(int x, int y, const QString& t) override { texts.append({ page, x, y, t }); }
    int penWidth() const override { return 1; }
    void setPenWidth(int) override { }
    void drawLine(int, int, int, int) override { }
    bool begin() override { return begun = true; }
    void newPage() override { ++page; }
    bool end() override { return true; }
    QString errorText() const override { return {}; }

    const Text* find(const QString& text) const
    {
        for (const Text& t : texts)
            if (t.text == text)
                return &t;
        return nullptr;
    }
};

} // namespace

class TestOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void summarySheet()
    {
        EmailContent content;
        content.attachment << "old";
        QString error;
        QCOMPARE(BuildEmailSummary(fields(), {}, content, &error), EmailBuild::Done);
        const QStringList expected { "  ******************************************",
            "  *    Kestrelwood Cup Contest Log Book    *",
            "  *             Summary Sheet              *",
            "  ******************************************", "  Kestrelwood Cup Contest 2026", "",
            "", "  Callsign:   VK6XYZ", "  Name    :   Anne", "  Address :   1 Main St",
            "  Category:    HF cat", "  Section :   (a) sec", "", "  Total Score:  0 points.", "",
            "", "  Declaration: ", "  I hereby certify that I have operated in accordance with",
            "  the rules and spirit of the contest.", "", "  Signed :  Anne",
            "  Date   :  08-16-2026" };
        QCOMPARE(content.message, expected);
        QCOMPARE(content.attachment, QStringList {});
        QCOMPARE(content.status, "     Generating Log to email to contest manager...");
    }

    void refusedWhileAPlaceholderStands_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::newRow("name") << "<type your name for the log summary sheet here>"
                              << "1 Main St";
        QTest::newRow("address") << "Anne"
                                 << "<type your address for the summary sheet here>";
    }
    void refusedWhileAPlaceholderStands()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        SheetFields f = fields();
        f.name = name;
        f.address = address;
        EmailContent content;
        content.attachment << "kept";
        QString error;
        QCOMPARE(BuildEmailSummary(f, contacts(2), content, &error), EmailBuild::Refused);
        QCOMPARE(content.attachment, QStringList { "kept" });
    }

    void csvLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("csv");
        QTest::newRow("day and month swap") << line("2m", "VK3ABC", "1", "BOB", "12-06-2026")
                                            << "06/12/2026,09:14,2m,FM,VK3ABC,59001,59012,1,BOB";
        QTest::newRow("blanks stripped, inner ones too") << line("70cm", "ZL2X", "2", "JO ANNE",
            "08-15-2026", "SSB") << "15/08/2026,09:14,70cm,SSB,ZL2X,59001,59012,2,JOANNE";
        QTest::newRow("two-digit points")
            << line("40m", "VK2QQ", "18") << "15/08/2026,09:14,40m,FM,VK2QQ,59001,59012,18,BOB";
        QTest::newRow("CW report, four-digit serial") << FormatLogLine("20m", "CW", "5991000",
            "VK2QQ", "BOB", "599012", "09:14", "08-15-2026",
            "2") << "15/08/2026,09:14,20m,CW,VK2QQ,5991000,599012,2,BOB";
    }
    void csvLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, csv);
        QCOMPARE(LogLineToCsv(line), csv);
    }

    void bandCategory_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("category");
        QTest::newRow("2m and 40m")
            << QStringList { line("2m", "A", "1"), line("40m", "B", "1") } << "Open";
        QTest::newRow("80m only") << QStringList { line("80m", "A", "1") } << "HF";
        QTest::newRow("VHF only") << QStringList { line("6m", "A", "1"), line("23cm", "B", "1") }
                                  << "VHF";
        QTest::newRow("empty") << QStringList {} << "Open";
    }
    void bandCategory()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, category);
        QCOMPARE(BandCategory(lines), category);
        QCOMPARE(
            CsvFilePath("/tmp/x", "VK3ABC/P", category), "/tmp/x/VK3ABC-P_" + category + ".CSV");
    }

    // Rewritten, never appended; an empty log gives an empty file; a failure is told.
    void csvFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("VK6XYZ_VHF.CSV");
        QString error;
        QVERIFY(WriteCsvFile(path, { "a,b", "c" }, &error));
        QVERIFY(WriteCsvFile(path, { "d" }, &error));
        QCOMPARE(readAll(path), "d\r\n");
        QVERIFY(WriteCsvFile(path, {}, &error));
        QCOMPARE(readAll(path), "");
        QVERIFY(!WriteCsvFile(dir.filePath("no/such/folder.CSV"), { "d" }, &error));
        QVERIFY(error.contains("folder.CSV"));
    }

    void pageTotals()
    {
        QStringList lines;
        for (int p = 1; p <= 7; ++p)
            lines << line("2m", "VK3ABC", qPrintable(QString::number(p)));
        PageTotals totals;
        QString error;
        QVERIFY(ComputePageTotals(lines, 3, totals, &error));
        QCOMPARE(totals.page[1], 6);
        QCOMPARE(totals.page[2], 15);
        QCOMPARE(totals.page[3], 7);
        QCOMPARE(totals.sum(), 28);
        QCOMPARE(totals.currentPage, 3);
    }

    void pageTotalsRefused_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("linesPerPage");
        QTest::addColumn<QString>("message");
        QTest::newRow("no line fits") << contacts(3) << 0 << "too short";
        QTest::newRow("256 pages") << contacts(256 * 2 - 1) << 2 << "256 pages";
        QTest::newRow("points not a number") << QStringList { line("2m", "A", "1"),
            line("2m", "B", "x") } << 10 << "'x' is not a valid integer value\r in log line 2 ";
    }
    void pageTotalsRefused()
    {
        QFETCH(QStringList, lines);
        QFETCH(int, linesPerPage);
        QFETCH(QString, message);
        PageTotals totals;
        QString error;
        QVERIFY(!ComputePageTotals(lines, linesPerPage, totals, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        QCOMPARE(totals.sum(), 0);
    }

    void printLine()
    {
        QCOMPARE(FormatPrintLine(line("2m", "VK3ABC", "1", "PETER")),
            "08-15-2026  09:14  2m   FM     VK3ABC     59001   59012  1    PETER     ");
        QCOMPARE(FormatPrintLine(line("2m", "VK3ABC", "1")).size(), 72);
        QCOMPARE(FormatPrintLine(line("2m", "VK3ABC", "12")).size(), 72);
        QCOMPARE(FormatPrintLine(FormatLogLine(
                     "20m", "CW", "5991000", "VK2QQ", "BOB", "599012", "09:14", "08-15-2026", "2")),
            "08-15-2026  09:14  20m  CW     VK2QQ     5991000  599012 2    BOB       ");
        QCOMPARE(FormatPrintLine(line("2m", "VK3ABC", "1").left(40)).size(), 72);
    }

    // Two contacts a page: the footers close each page, the form feed opens the next.
    void textStream()
    {
        QStringList lines = contacts(3);
        lines[2] = line("2m", "VK0003", "2");
        PageTotals totals;
        QString error;
        QVERIFY(ComputePageTotals(lines, 2, totals, &error));
        const QByteArray s = TextPrintStream(fields("<type>"), lines, 2, totals);
        QVERIFY(s.startsWith("\r\n\r\n\r\n\r\n\r\n\r\n\r\n  ****"));
        QVERIFY(s.contains("\r\nName    :   \r\nAddress :   1 Main St\r\n"));
        QVERIFY(s.contains("\r\nSigned :  \r\nDate   :  08-16-2026\r\n\r\nPage Totals:\r\n\r\n"
                           "Page 1:  2 points   Page 2:  2 points   \f\r\n\r\n"));
        const QByteArray page2 = "  " + FormatPrintLine(lines[1]).toLatin1()
            + "\r\n\r\nPoints total for this page is: 2\r\n\f\r\n\r\n"
              "  ******************************************\r\n"
              "  *          QZ CONTEST LOGBOOK            *\r\n"
              "  ******************************************\r\n"
              "  Kestrelwood Cup Contest 2026\r\n  Callsign: VK6XYZ\r\n  Category:  HF cat\r\n"
              "  Section : (a) sec\r\n\r\n  Page #2 of VK6XYZ log.\r\n\r\n"
              "  Date        UTC   Band  Mode  Callsign   RST Tx   RST Rx Pts  Name     \r\n"
              "  ---------------------------------------------------------------------- \r\n"
              "  "
            + FormatPrintLine(lines[2]).toLatin1() + "\r\n\r\nPoints total for this page is: 2\r\n";
        QVERIFY2(s.endsWith(page2), s.right(700).constData());
        QCOMPARE(s.count('\f'), 2);
    }

    // At 40 lines a page, contact 41 opens page 2 at contact 1's height.
    void normalLayout()
    {
        RecordingSurface s;
        s.height = 1600 + 48 * 100; // 40 lines of 100 units
        QStringList lines = contacts(125);
        for (int i = 80; i < 120; ++i)
            lines[i] = line("2m", qPrintable(QStringLiteral("VK%1").arg(i + 1, 4, 10, QChar('0'))),
                "0"); // page 3 scores nothing
        QString error;
        QVERIFY(PrintNormalLog(s, fields(), lines, &error));
        const auto* first = s.find(FormatPrintLine(lines[0]));
        const auto* next = s.find(FormatPrintLine(lines[40]));
        QVERIFY(first && next);
        QCOMPARE(next->page, first->page + 1);
        QCOMPARE(next->y, first->y);
        QCOMPARE(first->y, 100 + 5 + 1500);
        const auto* footer = s.find("Points Total for this page is:40");
        QVERIFY(footer);
        QCOMPARE(footer->page, first->page);
        QCOMPARE(footer->y, s.height - 600);
        const auto* pageTwo = s.find("Page #2 of VK6XYZ log.");
        QVERIFY(pageTwo);
        QCOMPARE(QPoint(pageTwo->x, pageTwo->y), QPoint(190, s.height - 200));
        QVERIFY(!s.find("Page 3:   0 points"));
        const auto* four = s.find("Page 4:   5 points");
        QVERIFY(four);
        QCOMPARE(QPoint(four->x, four->y), QPoint(90, 3950 + 150));
        QCOMPARE(s.find("Page 2:   40 points")->x, 90 + 1500);
        QVERIFY(s.find("Points Total for this page is:5"));
    }

    // Totals that reach the foot of the summary sheet go on at the top of another sheet.
    void pageTotalsGoOnOverAnotherSheet()
    {
        RecordingSurface s;
        s.height = 1600 + 48 * 100;
        QString error;
        QVERIFY(PrintNormalLog(s, fields(), contacts(40 * 60), &error));
        const auto* last = s.find("Page 48:   40 points");
        const auto* next = s.find("Page 49:   40 points");
        QVERIFY(last && next);
        QCOMPARE(QPoint(last->x, last->y), QPoint(90 + 1500 * 2, 3950 + 150 * 15));
        QCOMPARE(next->page, last->page + 1);
        QCOMPARE(QPoint(next->x, next->y), QPoint(90, 300));
        QCOMPARE(s.find(FormatPrintLine(contacts(1).first()))->page, next->page + 1);
    }

    void normalLayoutRefusedOnAShortPage()
    {
        RecordingSurface s;
        s.height = 1600 + 8 * 100; // no line left for contacts
        QString error;
        QVERIFY(!PrintNormalLog(s, fields(), contacts(3), &error));
        QVERIFY(!s.begun);
    }
};

QTEST_MAIN(TestOutput)
#include "tst_output.moc"
