#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>

namespace vorad {

// One row of the dupe lists: callsign padded to 7, a space, band padded to 5, a space, mode
// (each with its spaces removed), e.g. "VK3ABC  2m    FM".
QString DupeEntry(QStringView line);

struct DupeLists
{
    QStringList allowed; // each station, band and mode once, in the order of its first contact
    QStringList wait; // stations inside the repeat interval, newest first
};

// Rebuilds both dupe lists from the log (oldest line first). `nowDate`/`nowTime` are the texts
// of the date box and the UTC clock ("hh:nn:ss"); `finishUtc` is the contest finish.
DupeLists BuildDupeLists(const QStringList& lines, QStringView nowDate, QStringView nowTime,
    const QDateTime& finishUtc, int repeatHours, bool outsideContestWindow);

// Rows given to a visible dupe list; only the first rows - 1 of them are drawn, each as far
// down as `DupeRowTop` puts it, and never more than wholly fit in the list.
int DupeVisibleRows(int listHeight, int itemHeight, int textHeight);
// Where a dupe list draws its row `index`: the rows stand apart by half the text height more
// than the item height.
int DupeRowTop(int index, int itemHeight, int textHeight);
int SummaryVisibleRows(int listHeight, int itemHeight);

// The drum: a list longer than the rows - 1 drawn ones moves its last entry to the front.
bool TurnDrum(QStringList& hidden, int rows);
QStringList VisibleEntries(const QStringList& hidden, int rows);

// One summary row per band: contacts, and points by mode column.
struct BandTally
{
    int qso = 0, fm = 0, ssb = 0, cw = 0;
};

// Tallies FM, SSB and CW contacts by band and recounts the points of every line into
// `runningTotal` (may be null).
std::array<BandTally, 18> TallyBands(const QStringList& lines, qint64* runningTotal);
QStringList SummaryRows(const std::array<BandTally, 18>& tally);

inline const QString SummaryHeading = QStringLiteral("Band    QSO   FM   SSB  CW ");

// The View menu ticks of the two panels and of the full-screen log.
struct DisplayTicks
{
    bool dupe = false;
    bool summary = false;
    bool fullScreen = true;
};

// Each updates `ticks` (the full-screen tick included) and returns where the large clock
// stands: 'L' over the summary, 'R' over the dupe lists, '\0' when it is hidden (both panels
// shown, or both hidden).
char ArrangeDisplays(DisplayTicks& ticks);
char ToggleDupe(DisplayTicks& ticks);
char ToggleSummary(DisplayTicks& ticks);
char ToggleLogBookFullScreen(DisplayTicks& ticks);

} // namespace vorad
