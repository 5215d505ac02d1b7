#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace vorad {

class LogFileStore;

// The identifier both exports give the contest.
inline const QString ExportContestId = QStringLiteral("KESTRELWOOD-CUP");

enum class ExportFormat { Cabrillo, Adif };

// What the exports tell of the station besides the contacts.
struct ExportStation
{
    QString callsign; // the main window's own-callsign display
    QString name; // a placeholder still in the settings counts as empty
    QString address;
    QString category; // the settings dialog's category and section boxes
    QString section;
    qint64 claimedScore = 0; // the running total
    QDateTime created; // UTC: ADIF's creation stamp
};

// A contact the format cannot carry: listed to the operator, never written mislabelled.
struct ExportSkip
{
    int lineNumber = 0; // 1-based line of the log list
    QString reason;
};

struct ExportResult
{
    bool written = false;
    QString error; // when not written
    int contacts = 0; // QSO lines or records written
    // Contacts with a report that was a serial alone: Cabrillo gives them the mode's nominal
    // report (599 on CW, else 59), ADIF leaves the report out.
    int withoutSignalReport = 0;
    QList<ExportSkip> skipped;
};

// A name beside the log: the log's own name with the format's extension.
QString ExportFileName(const QString& logFileName, ExportFormat format);

// Why an export may not go to `path`, or empty: a .LOG or .BAK name is a logbook's (the file
// system may not tell case), and the files that hold contacts are never replaced, whatever name
// or link leads to them.
QString ExportTargetRefusal(const QString& path, const QStringList& contactFiles);

// Writes the log lines in the format to `path`, through the store's complete-or-nothing save.
ExportResult ExportLog(ExportFormat format, const QString& path, const QStringList& lines,
    const ExportStation& station, LogFileStore& store);

// Latin-1 text as ASCII, which both formats require: accented letters lose their accents,
// anything else without an ASCII form becomes "?".
QString ToAscii(QStringView text);

} // namespace vorad
