#pragma once

#include <array>

#include <QString>
#include <QStringList>

namespace vorad {

// The points of each printed page, and where the print stands.
struct PageTotals
{
    static constexpr int MaxPages = 255;
    std::array<qint32, MaxPages + 1> page {}; // page[1..255]; page[0] unused
    int currentPage = 1; // the page being printed / the last page used
    int position = 0; // line position on the current page, 0-based
    qint64 sum() const; // all 255 entries
};

// The total of page `p`; 0 for a page the table does not hold.
qint32 PageTotal(const PageTotals& totals, qint64 p);

// Fills `totals`, page by page at `linesPerPage` lines. On failure every entry is 0 and *error
// holds the operator's message: a page with no room for a line, a log of more than 255 pages,
// or a points text that does not read.
bool ComputePageTotals(
    const QStringList& lines, int linesPerPage, PageTotals& totals, QString* error);

} // namespace vorad
