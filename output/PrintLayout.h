#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vorad {

struct PageTotals;
struct SheetFields;

// One log line as the printed log shows it: 72 characters for one-digit points.
QString FormatPrintLine(QStringView line);
// Contact lines on a page of each print; below 1 the page cannot hold the layout.
int NormalLinesPerPage(int pageHeight, int lineHeight);
int TextLinesPerPage(int pageHeight, int lineHeight);

// The drawing surface of a print job, in the printer's own device units. The window gives a
// printer; tests record the calls.
class PrintSurface
{
public:
    virtual ~PrintSurface() = default;
    virtual int pageWidth() const = 0;
    virtual int pageHeight() const = 0;
    virtual void setFont(const QString& family, int points, bool bold) = 0; // black text
    virtual int textHeight(const QString& text) = 0;
    virtual int textWidth(const QString& text) = 0;
    virtual void drawText(int x, int y, const QString& text) = 0; // its top-left corner at x, y
    virtual int penWidth() const = 0;
    virtual void setPenWidth(int width) = 0;
    virtual void drawLine(int x1, int y1, int x2, int y2) = 0;
    virtual bool begin() = 0;
    virtual void newPage() = 0;
    virtual bool end() = 0;
    virtual QString errorText() const = 0;
};

void PrintCentred(PrintSurface& s, int y, const QString& text);
void DrawFrame(PrintSurface& s, int x1, int x2, int y1, int penWidth, int y2);
void DrawPageHeader(PrintSurface& s, const SheetFields& fields);
void DrawColumnHeads(PrintSurface& s);
void DrawSummarySheet(PrintSurface& s, const SheetFields& fields, const PageTotals& totals);

// The drawn log: the summary sheet, then the contacts with each page's total. Checks the page
// length and the page count before the job begins: on failure nothing is printed.
bool PrintNormalLog(
    PrintSurface& s, const SheetFields& fields, const QStringList& lines, QString* error);

// The text log as the printer's character stream: CR LF ends a line, a form feed starts a page.
QByteArray TextPrintStream(const SheetFields& fields, const QStringList& lines, int linesPerPage,
    const PageTotals& totals);
// Lays a character stream in Courier New 12, a line under the other; a full page goes on to
// the next as a printer's text stream does.
bool LayTextStream(PrintSurface& s, const QByteArray& stream, QString* error);
bool PrintTextLog(
    PrintSurface& s, const SheetFields& fields, const QStringList& lines, QString* error);

} // namespace vorad
