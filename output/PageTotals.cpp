#include "PageTotals.h"

#include "LogLine.h"

namespace vorad {

qint64 PageTotals::sum() const
{
    qint64 total = 0;
    for (int p = 1; p <= MaxPages; ++p)
        total += page[static_cast<size_t>(p)];
    return total;
}

qint32 PageTotal(const PageTotals& totals, qint64 p)
{
    return p >= 1 && p <= PageTotals::MaxPages ? totals.page[static_cast<size_t>(p)] : 0;
}

namespace {

bool fail(PageTotals& totals, QString* error, const QString& text)
{
    totals = PageTotals {};
    if (error)
        *error = text;
    return false;
}

} // namespace

bool ComputePageTotals(
    const QStringList& lines, int linesPerPage, PageTotals& totals, QString* error)
{
    totals = PageTotals {};
    if (linesPerPage < 1) {
        return fail(totals, error,
            QStringLiteral(" The page holds no log lines: it is too short for the page header, "
                           "\r the column heads and the page footer. Nothing is printed. "));
    }
    const qint64 count = lines.size();
    const qint64 pagesNeeded = count == 0 ? 1 : (count + linesPerPage - 1) / linesPerPage;
    if (pagesNeeded > PageTotals::MaxPages) {
        return fail(totals, error,
            QStringLiteral(" The log needs %1 pages at %2 lines a page, more than the %3 pages "
                           "\r the page totals can hold. Nothing is printed. ")
                .arg(QString::number(pagesNeeded), QString::number(linesPerPage),
                    QString::number(PageTotals::MaxPages)));
    }

    qint32 running = 0;
    for (qint64 i = 0; i < count; ++i) {
        const int position = static_cast<int>(i % linesPerPage);
        const int pageNumber = static_cast<int>(i / linesPerPage) + 1;
        if (position == 0 && pageNumber > 1) {
            totals.page[static_cast<size_t>(pageNumber - 1)] = running;
            running = 0;
        }
        const QStringView points = LogLinePoints(lines.at(i));
        int value = 0;
        if (!PointsValue(points, &value)) {
            // Both values in one pass: a points text holding "%2" must stay as it is.
            return fail(totals, error,
                QStringLiteral("'%1' is not a valid integer value\r in log line %2 ")
                    .arg(points.toString(), QString::number(i + 1)));
        }
        running += value; // at most 999 x 32760 on one page: no overflow
        totals.currentPage = pageNumber;
        totals.position = position;
    }
    totals.page[static_cast<size_t>(totals.currentPage)] = running;
    return true;
}

} // namespace vorad
