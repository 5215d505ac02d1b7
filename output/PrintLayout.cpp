#include "PrintLayout.h"

#include "LogLine.h"
#include "PageTotals.h"
#include "SummarySheet.h"

namespace vorad {

namespace {

const QString Arial = QStringLiteral("Arial");
const QString ArialBlack = QStringLiteral("Arial Black");
const QString ArialNarrow = QStringLiteral("Arial Narrow");
const QString Courier = QStringLiteral("Courier New");
const QString Title = QStringLiteral("Kestrelwood Cup Contest Log Book");
// Where the page totals go on where the summary sheet had no room left.
constexpr int ContinuedTotalsTop = 300;

QStringView columns(QStringView line, int firstColumn, int lastColumn)
{
    return LogLineColumns(line, firstColumn - 1, lastColumn - firstColumn + 1);
}

QString contestYear(const SheetFields& f)
{
    return QStringLiteral("Kestrelwood Cup Contest ") + QString::number(f.year);
}

QString pageLine(int page, const QString& callsign)
{
    return QStringLiteral("Page #") + QString::number(page) + QStringLiteral(" of ") + callsign
        + QStringLiteral(" log.");
}

// A label in Arial Black and its value in Arial, twelve units lower.
void labelled(PrintSurface& s, int x, int y, const QString& label, int valueX, const QString& value)
{
    s.setFont(ArialBlack, 12, false);
    s.drawText(x, y, label);
    s.setFont(Arial, 12, false);
    s.drawText(valueX, y + 12, value);
}

void drawPageStart(PrintSurface& s, const SheetFields& f, int page)
{
    DrawPageHeader(s, f);
    DrawColumnHeads(s);
    s.setFont(Arial, 12, false);
    s.drawText(190, s.pageHeight() - 200, pageLine(page, f.callsign));
    s.setFont(Courier, 12, false);
}

void drawPageFooter(PrintSurface& s, qint32 total)
{
    s.drawText(190, s.pageHeight() - 600,
        QStringLiteral("Points Total for this page is:") + QString::number(total));
}

} // namespace

QString FormatPrintLine(QStringView line)
{
    const QStringView points = LogLinePoints(line);
    QString out;
    out.reserve(80);
    // A damaged short line is padded, so that its later columns never move.
    auto add = [&out, line](int firstColumn, int lastColumn) {
        const QStringView text = columns(line, firstColumn, lastColumn);
        out += text;
        out += QString(lastColumn - firstColumn + 1 - text.size(), QLatin1Char(' '));
    };
    add(61, 70);
    out += QLatin1String("  ");
    add(52, 56);
    out += QLatin1String("  ");
    add(1, 5);
    add(6, 11);
    out += QLatin1Char(' ');
    add(21, 30);
    // A CW report with a four-digit serial takes column 12 too, and one blank less after it.
    const bool wideReport = line.size() > 11 && line.at(11) != QLatin1Char(' ');
    add(wideReport ? 12 : 13, 18);
    out += wideReport ? QLatin1String("  ") : QLatin1String("   ");
    add(43, 48);
    out += QLatin1Char(' ');
    // Doubled points may take two digits; the name keeps its column all the same.
    out += points;
    out += QString(qMax<qsizetype>(1, 5 - points.size()), QLatin1Char(' '));
    add(33, 42);
    return out;
}

int NormalLinesPerPage(int pageHeight, int lineHeight)
{
    return lineHeight < 1 ? 0 : (pageHeight - 300 - 1300) / lineHeight - 8;
}

int TextLinesPerPage(int pageHeight, int lineHeight)
{
    return lineHeight < 1 ? 0 : pageHeight / lineHeight - 20;
}

void PrintCentred(PrintSurface& s, int y, const QString& text)
{
    s.drawText((s.pageWidth() - s.textWidth(text)) / 2, y, text);
}

void DrawFrame(PrintSurface& s, int x1, int x2, int y1, int penWidth, int y2)
{
    const int before = s.penWidth();
    s.setPenWidth(penWidth);
    s.drawLine(x1, y1, x2, y1);
    s.drawLine(x1, y2, x2, y2);
    s.drawLine(x1, y1, x1, y2);
    s.drawLine(x2, y1, x2, y2);
    s.setPenWidth(before);
}

void DrawPageHeader(PrintSurface& s, const SheetFields& f)
{
    s.setFont(Arial, 16, true);
    PrintCentred(s, 400, Title);
    DrawFrame(s, 50, s.pageWidth() - 50, 385, 20, 560);
    s.setFont(ArialBlack, 12, false);
    s.drawText(40, 620, contestYear(f));
    labelled(s, 40, 770, QStringLiteral("Callsign:"), 700, f.callsign);
    labelled(s, 40, 910, QStringLiteral("Category:"), 700, f.category);
    labelled(s, 40, 1050, QStringLiteral("Section:"), 700, f.section);
}

void DrawColumnHeads(PrintSurface& s)
{
    DrawFrame(s, 50, s.pageWidth() - 50, 1300, 10, s.pageHeight() - 300);
    DrawFrame(s, 50, s.pageWidth() - 50, 1500, 10, 1500);
    s.setFont(ArialNarrow, 8, false);
    static const std::pair<int, const char*> heads[] = { { 190, "Date" }, { 855, "Time UTC" },
        { 1285, "Band" }, { 1595, "Mode" }, { 1995, "Callsign Worked" }, { 2675, "RST Sent" },
        { 3115, "RST Received" }, { 3530, "Points" }, { 3850, "Name" } };
    for (const auto& [x, text] : heads)
        s.drawText(x, 1390, QString::fromLatin1(text));
}

void DrawSummarySheet(PrintSurface& s, const SheetFields& f, const PageTotals& totals)
{
    s.setFont(Arial, 20, true);
    PrintCentred(s, 700, Title);
    PrintCentred(s, 1000, QStringLiteral("Summary Sheet"));
    DrawFrame(s, 50, s.pageWidth() - 50, 585, 20, 1360);
    s.setFont(ArialBlack, 12, false);
    s.drawText(90, 1400, contestYear(f));
    labelled(s, 90, 1600, QStringLiteral("Callsign:"), 850, f.callsign);
    labelled(s, 90, 1800, QStringLiteral("Name:"), 850, f.name);
    labelled(s, 90, 2000, QStringLiteral("Address:"), 850, f.address);
    labelled(s, 90, 2200, QStringLiteral("Category:"), 850, f.category);
    labelled(s, 90, 2400, QStringLiteral("Section:"), 850, f.section);
    labelled(s, 90, 2600, QStringLiteral("Total Score:"), 850,
        QString::number(totals.sum()) + QStringLiteral(" points."));
    s.setFont(ArialBlack, 12, false);
    s.drawText(90, 2800, QStringLiteral("Declaration:"));
    s.setFont(Arial, 12, false);
    s.drawText(
        90, 3000, QStringLiteral("I hereby certify that I have operated in accordance with"));
    s.drawText(90, 3150, QStringLiteral("the rules and spirit of the contest."));
    labelled(s, 90, 3400, QStringLiteral("Signed:"), 850, f.name);
    labelled(s, 1800, 3400, QStringLiteral("Date:"), 2200, f.date);
    s.setFont(ArialBlack, 12, false);
    s.drawText(90, 3790, QStringLiteral("Page Totals"));
    s.setFont(Arial, 12, false);
    // A list longer than the sheet goes on over further sheets, never cut off at the edge.
    const int entryHeight = s.textHeight(QStringLiteral("P"));
    int top = 3950;
    int firstRow = 0;
    for (int p = 1; p <= PageTotals::MaxPages; ++p) {
        if (totals.page[p] == 0)
            continue;
        const int row = (p - 1) / 3;
        if (row > firstRow && top + 150 * (row - firstRow) + entryHeight > s.pageHeight()) {
            s.newPage();
            s.setFont(Arial, 12, false);
            top = ContinuedTotalsTop;
            firstRow = row;
        }
        s.drawText(90 + 1500 * ((p - 1) % 3), top + 150 * (row - firstRow),
            QStringLiteral("Page ") + QString::number(p) + QStringLiteral(":   ")
                + QString::number(totals.page[p]) + QStringLiteral(" points"));
    }
}

bool PrintNormalLog(PrintSurface& s, const SheetFields& f, const QStringList& lines, QString* error)
{
    s.setFont(Courier, 12, false);
    const int lineHeight = s.textHeight(QStringLiteral("P"));
    const int linesPerPage = NormalLinesPerPage(s.pageHeight(), lineHeight);
    PageTotals totals;
    if (!ComputePageTotals(lines, linesPerPage, totals, error))
        return false;
    if (!s.begin()) {
        *error = s.errorText();
        return false;
    }
    DrawSummarySheet(s, f, totals);
    s.newPage();
    int page = 1;
    drawPageStart(s, f, page);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int position = static_cast<int>(i % linesPerPage);
        if (position == 0 && i > 0) {
            drawPageFooter(s, totals.page[page]);
            s.newPage();
            drawPageStart(s, f, ++page);
        }
        s.drawText(145, (position + 1) * lineHeight + (position + 1) * 5 + 1500,
            FormatPrintLine(lines.at(i)));
    }
    drawPageFooter(s, totals.page[page]);
    if (!s.end()) {
        *error = s.errorText();
        return false;
    }
    return true;
}

QByteArray TextPrintStream(
    const SheetFields& f, const QStringList& lines, int linesPerPage, const PageTotals& totals)
{
    linesPerPage = qMax(1, linesPerPage);
    QString out;
    out.reserve(static_cast<qsizetype>(lines.size() + 100) * 80);
    auto line = [&out](const QString& text) {
        out += text;
        out += QLatin1String("\r\n");
    };
    // The value is left out while it still holds the settings dialog's placeholder.
    auto value
        = [](const QString& text) { return text.startsWith(QLatin1Char('<')) ? QString() : text; };
    for (int i = 0; i < 7; ++i)
        line({});
    line(QStringLiteral("  ******************************************"));
    line(QStringLiteral("  *    Kestrelwood Cup Contest Log Book    *"));
    line(QStringLiteral("  *             Summary Sheet              *"));
    line(QStringLiteral("  ******************************************"));
    line({});
    line(QStringLiteral("  ") + contestYear(f));
    line({});
    line(QStringLiteral("Callsign:   ") + f.callsign);
    line(QStringLiteral("Name    :   ") + value(f.name));
    line(QStringLiteral("Address :   ") + value(f.address));
    line(QStringLiteral("Category:   ") + f.category);
    line(QStringLiteral("Section :   ") + f.section);
    line({});
    line(QStringLiteral("Total Score:  ") + QString::number(totals.sum())
        + QStringLiteral(" points."));
    line({});
    line({});
    line(QStringLiteral("Declaration: "));
    line(QStringLiteral("I hereby certify that I have operated in accordance with"));
    line(QStringLiteral("the rules and spirit of the contest."));
    line({});
    line(QStringLiteral("Signed :  ") + value(f.name));
    line(QStringLiteral("Date   :  ") + f.date);
    line({});
    line(QStringLiteral("Page Totals:"));
    line({});
    for (int p = 1; p <= PageTotals::MaxPages; ++p) {
        if (totals.page[p] == 0)
            continue;
        out += QStringLiteral("Page ") + QString::number(p) + QStringLiteral(":  ")
            + QString::number(totals.page[p]) + QStringLiteral(" points   ");
        if (p % 3 == 0)
            out += QLatin1String("\r\n");
    }
    auto header = [&](int page) {
        out += QLatin1Char('\f');
        line({});
        line({});
        line(QStringLiteral("  ******************************************"));
        line(QStringLiteral("  *          QZ CONTEST LOGBOOK            *"));
        line(QStringLiteral("  ******************************************"));
        line(QStringLiteral("  ") + contestYear(f));
        line(QStringLiteral("  Callsign: ") + f.callsign);
        line(QStringLiteral("  Category: ") + f.category);
        line(QStringLiteral("  Section : ") + f.section);
        line({});
        line(QStringLiteral("  ") + pageLine(page, f.callsign));
        line({});
        line(QStringLiteral(
            "  Date        UTC   Band  Mode  Callsign   RST Tx   RST Rx Pts  Name     "));
        line(QStringLiteral(
            "  ---------------------------------------------------------------------- "));
    };
    auto footer = [&](qint32 total) {
        line({});
        line(QStringLiteral("Points total for this page is: ") + QString::number(total));
    };
    int page = 1;
    header(page);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i % linesPerPage == 0 && i > 0) {
            footer(totals.page[page]);
            header(++page);
        }
        line(QStringLiteral("  ") + FormatPrintLine(lines.at(i)));
    }
    footer(totals.page[page]);
    return out.toLatin1();
}

bool LayTextStream(PrintSurface& s, const QByteArray& stream, QString* error)
{
    s.setFont(Courier, 12, false);
    const int lineHeight = qMax(1, s.textHeight(QStringLiteral("P")));
    if (!s.begin()) {
        *error = s.errorText();
        return false;
    }
    int y = 0;
    auto lay = [&](QByteArrayView text) {
        if (y > 0 && y + lineHeight > s.pageHeight()) {
            s.newPage();
            y = 0;
        }
        if (!text.isEmpty())
            s.drawText(0, y, QString::fromLatin1(text));
        y += lineHeight;
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        const char c = stream.at(i);
        if (c == '\f') {
            if (i > start)
                lay(QByteArrayView(stream).sliced(start, i - start));
            s.newPage();
            y = 0;
            start = i + 1;
        } else if (c == '\n') {
            qsizetype end = i;
            if (end > start && stream.at(end - 1) == '\r')
                --end;
            lay(QByteArrayView(stream).sliced(start, end - start));
            start = i + 1;
        }
    }
    if (start < stream.size())
        lay(QByteArrayView(stream).sliced(start));
    if (!s.end()) {
        *error = s.errorText();
        return false;
    }
    return true;
}

bool PrintTextLog(PrintSurface& s, const SheetFields& f, const QStringList& lines, QString* error)
{
    s.setFont(Courier, 12, false);
    const int linesPerPage = TextLinesPerPage(s.pageHeight(), s.textHeight(QStringLiteral("P")));
    PageTotals totals;
    if (!ComputePageTotals(lines, linesPerPage, totals, error))
        return false;
    return LayTextStream(s, TextPrintStream(f, lines, linesPerPage, totals), error);
}

} // namespace vorad
