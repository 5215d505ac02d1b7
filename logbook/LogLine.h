#pragma once

#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>

namespace vorad {

// The nine values of one contact as the column reader cuts them from a log line.
struct LogFields
{
    QString band;
    QString mode;
    QString rstSent;
    QString callsign;
    QString name;
    QString rstReceived;
    QString time;
    QString date;
    QString points;
};

QString StripSpaces(const QString& text);

QString FormatLogLine(const QString& band, const QString& mode, const QString& rstSent,
    const QString& callsign, const QString& name, const QString& rstReceived, const QString& time,
    const QString& date, const QString& points);

// Points are read from column 73 to the end of the line, so values of two digits survive.
LogFields ParseLogLine(const QString& line);
// The same into fields kept from line to line, so that a walk over the log allocates little.
void ParseLogLine(QStringView line, LogFields& fields);

QString LogLineToFileRecord(const QString& line);
// The same record as Latin-1 bytes, appended to a file buffer.
void AppendFileRecord(QByteArray& out, QStringView line);
// The points text of a line: column 73 to the end.
QStringView LogLinePoints(QStringView line);
// The characters of the display line from 0-based column `start`, `width` at most; empty past
// the end of a short line.
QStringView LogLineColumns(QStringView line, qsizetype start, qsizetype width);

// Builds the display line of one file record (without its line end). Over-long fields are
// cut to the widths the column reader uses, so one damaged field can never shift the later
// fields of the contact into each other when the line is written back.
QString FileRecordToLogLine(const QString& record, bool* fieldsCut = nullptr);
// The same from the Latin-1 bytes of the record, as a load reads them.
QString FileBytesToLogLine(QByteArrayView record, bool* fieldsCut = nullptr);

// Converts a points text; false when it is not a decimal number from 0 to MaxContactPoints.
constexpr int MaxContactPoints = 999;
bool PointsValue(QStringView points, int* value);

// "591000": a phone signal report and a serial of 1000 or more, told from a CW report and a
// three-digit serial ("599012") by its third character.
bool IsSignalAndFourDigitSerial(QStringView stripped);

// The date "mm-dd-yyyy" and the time "hh:nn" of a log line; false when they do not read as a
// real date or time.
bool ReadLogDate(QStringView text, QDate* date);
bool ReadLogTime(QStringView text, QTime* time);

// A report cut into its signal report and its serial, as the serial counter reads it; either
// may be empty (a report typed without its signal part is a serial alone).
struct ReportParts
{
    QStringView signal;
    QStringView serial;
};
ReportParts SplitReport(QStringView stripped, bool cw);

// The serial of the newest line whose RST sent reads, plus one: the digits after the signal
// report.
int NextSerialNumber(const QStringList& lines);

// The name as a title shows it: past 25 characters, the first 12, "...." and the last 13.
QString ShortLogFileName(const QString& logFileName);
QString LogFileCaption(const QString& logFileName);

// The log's own backup: its last three characters replaced by "BAK" when the name ends in a
// three-letter extension ("RUN1.LOG" -> "RUN1.BAK"); any other name gets ".BAK" added, so that
// the backup is never an unrelated file that a rewrite would replace.
QString BackupLogName(const QString& logFileName);

inline const QString LogColumnHeading
    = QStringLiteral("Band  Mode   RST Tx Callsign     Name     RST Rx   Time     Date       Pts");

} // namespace vorad
