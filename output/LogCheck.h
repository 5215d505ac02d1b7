#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "SummarySheet.h"

namespace vorad {

struct ContestSettings;

// One thing in the logbook or the settings that would cost points or confuse the contest
// manager.
struct LogFinding
{
    enum Kind {
        OutsideWindow,
        Repeat,
        SameCallArea,
        Points,
        PointsTotal,
        DateTime,
        Serial,
        Callsign,
        BandMode,
        MissingSetting,
    };
    int lineNumber = 0; // 1-based line of the log list; 0 for the log or the settings as a whole
    Kind kind = Points;
    QString text;
};

// Checks every line against the contest's rules as the entry rules apply them, and the
// settings the summary sheet needs. `localOffsetSeconds` (local = UTC + it) places each contact
// in the local night for the early-morning doubling. Findings come in line order, those about
// the whole log and the settings last.
QList<LogFinding> CheckLog(const QStringList& lines, const ContestSettings& settings,
    const SheetFields& sheet, int localOffsetSeconds);

// What the check window shows for a finding, and for none.
QString FindingRowText(const LogFinding& finding);
QString NoFindingsText(qsizetype contacts);

} // namespace vorad
