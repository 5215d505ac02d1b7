#pragma once

#include <QString>
#include <QStringList>

namespace vorad {

class LogFileStore;

// What the summary sheet, the attachment's name and both prints show of the station.
struct SheetFields
{
    QString callsign; // the main window's own-callsign display
    QString name;
    QString address;
    QString category; // the settings dialog's category box
    QString section; // ... and its section box
    int year = 0; // of the contest clock
    QString date; // the main window's date display, "mm-dd-yyyy"
};

// True while the name or the address still holds the settings dialog's placeholder.
bool SheetDetailsMissing(const QString& name, const QString& address);

extern const QString EmailRefusalText;
extern const QString EmailAttentionText;
extern const QString PrintRefusalText;

QStringList SummarySheetLines(const SheetFields& fields, qint64 totalScore);
QString LogLineToCsv(QStringView line);
// "HF", "VHF" or "Open", from the bands in the log.
QString BandCategory(const QStringList& lines);
QString CsvFilePath(const QString& folder, const QString& callsign, const QString& bandCategory);

// What the e-mail dialog shows: the summary sheet, the attachment's lines, its status line.
struct EmailContent
{
    QStringList message;
    QStringList attachment;
    QString status;
};

// What "Email Log" made the sheet and the attachment from. Send refuses them once the log or
// the station's details on the sheet have changed since.
class EmailSnapshot
{
public:
    void take(quint64 logGeneration, const SheetFields& fields);
    bool stale(quint64 logGeneration, const SheetFields& fields) const;

private:
    static QString key(const SheetFields& fields);

    quint64 m_generation = ~quint64(0); // none taken yet
    QString m_sheet;
};

enum class EmailBuild { Refused, Failed, Done };

// The summary sheet and the CSV lines. Refused (content untouched) while the details are
// missing; Failed, with the message in `error` and the content empty, when the points do not
// add up.
EmailBuild BuildEmailSummary(
    const SheetFields& fields, const QStringList& lines, EmailContent& content, QString* error);

// Replaces the file with the lines, each ended by CR LF, in Latin-1. The new file is written
// whole before it takes the name, so a failure never leaves half a file there.
bool WriteCsvFile(
    const QString& path, const QStringList& lines, QString* error, LogFileStore* store = nullptr);

} // namespace vorad
