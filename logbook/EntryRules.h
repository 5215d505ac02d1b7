#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

namespace vorad {

// Callsign normalisation: the prefix completions and the validity rule.
struct NormalisedCallsign
{
    enum Completion { None, VkPrefix, PreviousPrefix };
    QString callsign; // empty when refused
    Completion completion = None;
};

NormalisedCallsign NormaliseCallsignText(const QString& typed, const QString& lastCallsign);

// A band typed into the callsign box in place of a callsign: a band's name in any case ("20m",
// "70CM") or a frequency. A number with a decimal point is in MHz ("14.250"), a whole number
// below 1000 too ("144"); from 1000 on it is in kHz ("7050") unless only the MHz reading names
// a band ("1296"). The band's label; empty when the text names no band.
QString BandTypedInCallsign(const QString& text);
// Digits with at most one decimal point: a frequency, never a callsign.
bool IsFrequencyText(const QString& text);

// Completion of a signal report with its serial number.
enum class ReportBox { Sent, Received };

struct FormattedReport
{
    QString text; // the new box text (a sent report right-justified to 7)
    bool sentTooLong = false; // too long for the log (see SentReportFits): cut to 6
};

// Whether a sent report (its spaces removed) fits the log: up to 6 characters, or 7 digits
// for the signal report and a serial of 1000 or more ("5991000").
bool SentReportFits(QStringView stripped);

// `sentBoxEmpty` matters for the received report only: with no sent report, it is left alone.
// `serial` is the serial counter: from 1000 on, a sent report keeps all four digits.
FormattedReport FormatReport(const QString& box, ReportBox which, const QString& mode, bool autoRST,
    bool sentBoxEmpty, int serial = 0);

// The status text of a received report that FormatReport could not read (it came back empty):
// the contact stays in the row for the operator to correct.
QString UnreadReportText(const QString& typed);

// The sent report renewed with the serial counter by the name step (before FormatReport).
QString RenewSentReport(const QString& box, int serial);

QString RightJustified7(const QString& text);

// Minute-resolution difference of two "mm-dd-yyyy" / "hh:nn" texts.
struct Elapsed
{
    qint64 seconds = 0;
    bool yearMismatch = false; // seconds is then 0
    bool valid = true; // false when a field is not a number
};

Elapsed ElapsedSeconds(QStringView date1, QStringView time1, QStringView date2, QStringView time2);

// A "mm-dd-yyyy" / "hh:nn" moment read once, for a moment compared with every line of the log.
struct LogMoment
{
    int month = -1, day = -1, year = -1, hour = -1, minute = -1; // -1: not a number
};
LogMoment ReadMoment(QStringView date, QStringView time);
Elapsed ElapsedSeconds(const LogMoment& from, const LogMoment& to);

// "hh:nn:ss mm-dd-yyyy"
QString FormatClock(const QDateTime& moment);

QString RepeatRefusedText(qint64 elapsedSeconds, int repeatHours);
QString RepeatAllowedText(qint64 elapsedSeconds);
QString ContestTimeLeftText(qint64 leftSeconds);

// The message box of an entry outside the contest window.
QString OutsideWindowMessage();

} // namespace vorad

namespace vorad {

enum class EntryKind { Callsign, Name, Report, ReceivedReport };

// The longest name the name box takes as it is typed.
inline constexpr int NameBoxLength = 10;

// What an entry box may hold: only characters the logbook file can keep (Latin-1, no control
// characters, no comma or double quote, which would split or shift the record's fields); the
// callsign box upper-cases letters. The received report takes digits alone, the only ones it
// reads; the sent report keeps whatever the operator sends.
QString FilterEntryText(const QString& text, EntryKind kind);

} // namespace vorad
