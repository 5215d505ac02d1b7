#include "LogCheck.h"

#include <QHash>
#include <QRegularExpression>

#include "BandMode.h"
#include "ContestSettings.h"
#include "EntryRules.h"
#include "LogLine.h"
#include "StationIndex.h"

namespace vorad {

namespace {

constexpr int DayMinutes = 24 * 60;
// A contact is stamped when its callsign is entered and scored when it is committed: near the
// edges of the early-morning hours either score may be right.
constexpr int CommitSlackMinutes = 5;

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString hoursAndMinutes(qint64 seconds)
{
    const qint64 minutes = seconds / 60;
    if (minutes < 60)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 hrs %2 min").arg(minutes / 60).arg(minutes % 60);
}

// Whether the early-morning doubling applies to a contact at this local minute of the day:
// 1 yes, 0 no, -1 either (the commit may have fallen on the other side of the edge).
int earlyMorning(int localMinute)
{
    const int start = 60;
    const int end = 6 * 60;
    if (localMinute >= start && localMinute < end - CommitSlackMinutes)
        return 1;
    if ((localMinute >= start - CommitSlackMinutes && localMinute < start)
        || (localMinute >= end - CommitSlackMinutes && localMinute < end))
        return -1;
    return 0;
}

// The serials looked for in the gaps: the report holds four digits of it.
constexpr int SerialLimit = 10000;

// The serial of a sent report, or -1.
int sentSerial(const LogFields& f, ReportParts* parts)
{
    *parts = SplitReport(f.rstSent, f.mode == QLatin1String("CW"));
    bool ok = false;
    const int serial = parts->serial.toInt(&ok, 10);
    return !ok || serial < 0 || parts->serial.startsWith(QLatin1Char('+')) ? -1 : serial;
}

// "5", or "5 to 7".
QString serialRange(int from, int to)
{
    return from == to ? QString::number(from) : QStringLiteral("%1 to %2").arg(from).arg(to);
}

// The category box's text tells the bands: -1 none said, 0 HF, 1 VHF. A category typed for
// both ("HF/VHF", "VHF and HF") says neither.
int categoryBands(const QString& category)
{
    const QString c = category.trimmed();
    const bool vhf = c.startsWith(QLatin1String("VHF"), Qt::CaseInsensitive);
    if (!vhf && !c.startsWith(QLatin1String("HF"), Qt::CaseInsensitive))
        return -1;
    static const QRegularExpression hf(
        QStringLiteral("(^|[^A-Z])HF"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression vhfUp(
        QStringLiteral("[UV]HF"), QRegularExpression::CaseInsensitiveOption);
    const QString rest = c.mid(vhf ? 3 : 2);
    if (rest.contains(vhf ? hf : vhfUp))
        return -1;
    return vhf ? 1 : 0;
}

class Checker
{
public:
    Checker(const QStringList& lines, const StationIndex& stations, const ContestSettings& settings,
        const SheetFields& sheet, int localOffsetSeconds, bool wholeLog)
        : m_settings(settings)
        , m_sheet(sheet)
        , m_offsetMinutes(localOffsetSeconds / 60)
        , m_lines(lines)
        , m_stations(stations)
        , m_wholeLog(wholeLog)
        , m_categoryBands(categoryBands(sheet.category))
    {
        m_lastTimed.reserve(size_t(lines.size()));
        // A gap is a serial no line sent, whatever the order of the lines.
        m_sent.assign(SerialLimit, false);
        for (const QString& line : lines) {
            ParseLogLine(line, m_other);
            ReportParts parts;
            const int serial = sentSerial(m_other, &parts);
            if (serial >= 0 && serial < SerialLimit)
                m_sent[size_t(serial)] = true;
            if (serial >= 0 && (m_lowestSerial < 0 || serial < m_lowestSerial))
                m_lowestSerial = serial;
        }
        if (settings.contestFinishDate.isValid()) {
            // The clock counts whole minutes: the window is the 24 hours ending at the finish
            // minute, both ends included.
            const QTime t = settings.contestFinishTime;
            m_finish = QDateTime(settings.contestFinishDate, QTime(t.hour(), t.minute()), Qt::UTC);
            const QString finish = FormatClock(m_finish);
            const QString start = FormatClock(m_finish.addSecs(-86400));
            m_window = QStringLiteral("%1 %2 to %3 %4 UTC")
                           .arg(start.mid(9, 10), start.left(5), finish.mid(9, 10), finish.left(5));
        }
        m_ownArea = settings.callsign.left(3);
    }

    void line(int number, const QString& text)
    {
        ParseLogLine(text, m_fields);
        const LogFields& f = m_fields;
        m_number = number;
        m_lastCall = checkCallsign(f.callsign, m_lastCall);
        int points = 0;
        const bool pointsRead = PointsValue(f.points, &points);
        if (!pointsRead)
            points = 0; // as the running total counts it
        m_loggedTotal += points;
        QDate date;
        QTime time;
        const bool when = ReadLogDate(f.date, &date) && ReadLogTime(f.time, &time);
        if (!when)
            add(LogFinding::DateTime,
                QStringLiteral("the date %1 or the time %2 does not read")
                    .arg(quoted(f.date), quoted(f.time)));
        else
            checkWindow(f, QDateTime(date, time, Qt::UTC));
        checkPoints(f, pointsRead, points, when ? time : QTime());
        const int previous = m_stations.previous(m_number - 1);
        const int before = previous >= 0 ? m_lastTimed[size_t(previous)] : -1;
        m_lastTimed.push_back(when ? m_number - 1 : before);
        if (when && before >= 0)
            checkRepeat(f, before, date, time);
        checkSerial(f);
        if (f.rstReceived.isEmpty())
            add(LogFinding::Report, QStringLiteral("the received report is empty"));
        // A contact in the own call area scores nothing: its name is not asked for.
        if (f.name.isEmpty() && !inOwnCallArea(f))
            add(LogFinding::Name, QStringLiteral("the name is empty"));
        const int band = BandIndex(f.band);
        if (m_categoryBands >= 0 && band >= 0 && int(BandTable[band].vhf) != m_categoryBands) {
            if (m_otherBands++ == 0)
                m_firstOtherBand = m_number;
        }
    }

    LogFindings finish()
    {
        m_number = 0;
        if (m_loggedTotal != m_rulesTotal)
            add(LogFinding::PointsTotal,
                QStringLiteral("the points total is %1; by the scoring rules it would be %2")
                    .arg(m_loggedTotal)
                    .arg(m_rulesTotal));
        if (m_otherBands > 0) {
            const QString contacts = m_otherBands == 1
                ? QStringLiteral("1 contact is")
                : QStringLiteral("%1 contacts are").arg(m_otherBands);
            add(LogFinding::Category,
                m_categoryBands == 0
                    ? QStringLiteral("the category is for HF bands below 50 MHz, but %1 on 50 MHz "
                                     "and up (the first on line %2)")
                          .arg(contacts)
                          .arg(m_firstOtherBand)
                    : QStringLiteral("the category is for VHF bands on and above 50 MHz, but %1 "
                                     "on HF (the first on line %2)")
                          .arg(contacts)
                          .arg(m_firstOtherBand));
        }
        auto missing = [this](bool absent, const char* what) {
            if (absent)
                add(LogFinding::MissingSetting,
                    QStringLiteral("%1 for the summary sheet is not filled in (Options..Settings)")
                        .arg(QLatin1String(what)));
        };
        missing(!IsOwnCallsign(m_sheet.callsign), "your callsign");
        missing(m_sheet.name.trimmed().isEmpty() || m_sheet.name.startsWith(QLatin1Char('<')),
            "your name");
        missing(m_sheet.address.trimmed().isEmpty() || m_sheet.address.startsWith(QLatin1Char('<')),
            "your address");
        missing(m_sheet.category.trimmed().isEmpty(), "the category");
        missing(m_sheet.section.trimmed().isEmpty(), "the section");
        return std::move(m_findings);
    }

private:
    void add(LogFinding::Kind kind, const QString& text)
    {
        m_findings.append(m_number, kind, text);
    }

    // As the scoring rules tell it: such a contact scores 0.
    bool inOwnCallArea(const LogFields& f) const
    {
        return !f.callsign.contains(QLatin1Char('/')) && f.callsign.left(3) == m_ownArea
            && IsSameAreaHfBand(f.band);
    }

    // Returns the callsign the entry rules would take as the last one for the next line.
    QString checkCallsign(const QString& call, const QString& last)
    {
        if (call.isEmpty()) {
            add(LogFinding::Callsign, QStringLiteral("the callsign is empty"));
            return last;
        }
        const NormalisedCallsign n = NormaliseCallsignText(call, last);
        if (call.size() > 8)
            add(LogFinding::Callsign,
                QStringLiteral("the callsign %1 is longer than the callsign box takes (8)")
                    .arg(quoted(call)));
        else if (n.callsign.isEmpty())
            add(LogFinding::Callsign,
                QStringLiteral("the callsign %1 would be refused by the entry rules")
                    .arg(quoted(call)));
        else if (n.callsign != call)
            add(LogFinding::Callsign,
                QStringLiteral("the callsign %1 would be entered as %2")
                    .arg(quoted(call), n.callsign));
        // As the entry would have gone on: a refused callsign is never the last one.
        return n.callsign.isEmpty() ? last : n.callsign;
    }

    void checkWindow(const LogFields& f, const QDateTime& moment)
    {
        if (!m_finish.isValid())
            return;
        const qint64 left = moment.secsTo(m_finish);
        if (left < 0 || left > 86400)
            add(LogFinding::OutsideWindow,
                QStringLiteral("%1 at %2 %3 is outside the contest window (%4)")
                    .arg(f.callsign, f.date, f.time, m_window));
    }

    void checkPoints(const LogFields& f, bool pointsRead, int points, const QTime& utc)
    {
        const bool knownBand = BandIndex(f.band) >= 0;
        int base = 0;
        const bool knownMode = ModePoints(m_settings, f.mode, &base);
        if (!knownBand || !knownMode) {
            add(LogFinding::BandMode,
                knownBand ? QStringLiteral("the mode %1 is none of the program's modes: its "
                                           "points can not be checked")
                                .arg(quoted(f.mode))
                          : QStringLiteral("the band %1 is none of the program's bands")
                                .arg(quoted(f.band)));
        }
        if (!knownMode) {
            if (!pointsRead)
                add(LogFinding::Points,
                    QStringLiteral("the points %1 do not read").arg(quoted(f.points)));
            m_rulesTotal += points; // nothing to tell them by
            return;
        }
        if (inOwnCallArea(f)) {
            if (!pointsRead || points != 0)
                add(LogFinding::SameCallArea,
                    QStringLiteral("%1 on %2 is in your own call area: it scores 0, the log has %3")
                        .arg(f.callsign, f.band,
                            pointsRead ? QString::number(points) : quoted(f.points)));
            return;
        }
        int single = base * (IsAlwaysDoubledBand(f.band) ? 2 : 1);
        int early = 0;
        if (m_settings.doublePoints16 && !utc.isValid()) {
            early = -1; // the time does not tell
        } else if (m_settings.doublePoints16) {
            const int local
                = ((utc.hour() * 60 + utc.minute() + m_offsetMinutes) % DayMinutes + DayMinutes)
                % DayMinutes;
            early = earlyMorning(local);
        }
        const int doubled = single * 2;
        const bool right = early == 1 ? points == doubled
            : early == 0              ? points == single
                                      : points == single || points == doubled;
        if (pointsRead && right) {
            m_rulesTotal += points;
            return;
        }
        const int expected = early == 1 ? doubled : single;
        m_rulesTotal += expected;
        const QString rules = early == -1 ? QStringLiteral("%1 or %2").arg(single).arg(doubled)
                                          : QString::number(expected);
        const QString has = !pointsRead ? quoted(f.points) + QStringLiteral(" as points")
            : points == 1               ? QStringLiteral("1 point")
                                        : QStringLiteral("%1 points").arg(points);
        add(LogFinding::Points,
            QStringLiteral("%1 on %2 %3 has %4; the scoring rules give %5")
                .arg(f.callsign, f.band, f.mode, has, rules));
    }

    // As the entry rules tell the time since the newest contact with the station (`row`, whose
    // date and time read): in whole minutes, and 0 from another year.
    void checkRepeat(const LogFields& f, int row, const QDate& date, const QTime& time)
    {
        ParseLogLine(m_lines.at(row), m_other);
        QDate lastDate;
        QTime lastTime;
        if (!ReadLogDate(m_other.date, &lastDate) || !ReadLogTime(m_other.time, &lastTime))
            return; // not so: the row was chosen for it
        const int lastNumber = row + 1;
        const bool otherYear = lastDate.year() != date.year();
        const qint64 elapsed = otherYear ? 0
                                         : (date.toJulianDay() - lastDate.toJulianDay()) * 86400
                + (time.hour() * 60 + time.minute() - lastTime.hour() * 60 - lastTime.minute())
                    * 60;
        const qint64 interval = qint64(m_settings.repeatContactTimeHrs) * 3600;
        if (elapsed < interval) {
            const QString after = otherYear
                ? QStringLiteral("in another year than line %1").arg(lastNumber)
                : elapsed < 0
                ? QStringLiteral("before line %1 in time").arg(lastNumber)
                : QStringLiteral("%1 after line %2").arg(hoursAndMinutes(elapsed)).arg(lastNumber);
            add(LogFinding::Repeat,
                QStringLiteral("%1 on %2 %3 again %4; the repeat interval is %5 hrs")
                    .arg(f.callsign, f.band, f.mode, after)
                    .arg(m_settings.repeatContactTimeHrs));
        }
    }

    // Whether line `number` is of the station of the line being checked.
    bool sameStation(int number, const LogFields& f)
    {
        ParseLogLine(m_lines.at(number - 1), m_other);
        return m_other.callsign == f.callsign && m_other.band == f.band && m_other.mode == f.mode;
    }

    void checkSerial(const LogFields& f)
    {
        ReportParts parts;
        const int serial = sentSerial(f, &parts);
        if (serial < 0) {
            add(LogFinding::Serial,
                QStringLiteral("the sent report %1 holds no serial").arg(quoted(f.rstSent)));
            return;
        }
        const auto seen = m_serials.constFind(serial);
        if (seen != m_serials.constEnd()) {
            // An allowed repeat entered straight from the callsign keeps the report it shows.
            const int number = *seen;
            add(LogFinding::Serial,
                sameStation(number, f)
                    ? QStringLiteral("serial %1 sent twice: this repeat re-sent line %2's report")
                          .arg(parts.serial)
                          .arg(number)
                    : QStringLiteral("serial %1 sent twice (also on line %2)")
                          .arg(parts.serial)
                          .arg(number));
        } else {
            m_serials.insert(serial, m_number);
            if (m_lastSerialLine > 0 && serial < m_lastSerial)
                add(LogFinding::Serial,
                    QStringLiteral("serial %1 sent after %2 (line %3)")
                        .arg(parts.serial, m_lastSerialText)
                        .arg(m_lastSerialLine));
            // Told once, on the line that sent the serial after the gap; each gap is walked once.
            // Below the lowest serial of a log not read whole, the serials are in the file.
            if (serial > 1 && serial < SerialLimit && !m_sent[size_t(serial - 1)]
                && (m_wholeLog || serial > m_lowestSerial)) {
                int from = serial - 1;
                while (from > 1 && !m_sent[size_t(from - 1)])
                    --from;
                add(LogFinding::Serial,
                    QStringLiteral("serial %1 follows a gap: %2 never sent")
                        .arg(parts.serial, serialRange(from, serial - 1)));
            }
        }
        m_lastSerial = serial;
        m_lastSerialText = parts.serial.toString();
        m_lastSerialLine = m_number;
    }

    const ContestSettings& m_settings;
    const SheetFields& m_sheet;
    int m_offsetMinutes = 0;
    QDateTime m_finish;
    QString m_window;
    QString m_ownArea;
    int m_number = 0;
    QString m_lastCall = QStringLiteral("VK6AAA");
    qint64 m_loggedTotal = 0;
    qint64 m_rulesTotal = 0;
    const QStringList& m_lines;
    const StationIndex& m_stations;
    // Per row: the station's newest row up to it whose date and time read, -1 if none.
    std::vector<qint32> m_lastTimed;
    QHash<int, int> m_serials; // the line first sent each
    std::vector<bool> m_sent; // by serial, below SerialLimit: sent on some line
    bool m_wholeLog = true;
    int m_lowestSerial = -1; // of all lines
    LogFields m_other; // of an earlier line, kept likewise
    int m_lastSerial = 0;
    QString m_lastSerialText;
    int m_lastSerialLine = 0;
    int m_categoryBands = -1;
    int m_otherBands = 0; // contacts on bands the category does not cover
    int m_firstOtherBand = 0;
    LogFindings m_findings;
    LogFields m_fields; // kept from line to line
};

} // namespace

void LogFindings::append(int lineNumber, LogFinding::Kind kind, QStringView text)
{
    m_entries.push_back({ qint32(lineNumber), qint32(kind), m_text.size() });
    // Log lines hold Latin-1 only.
    for (QChar c : text)
        m_text += c.unicode() < 0x100 ? char(c.unicode()) : '?';
}

LogFinding LogFindings::at(qsizetype i) const
{
    const Entry& e = m_entries[size_t(i)];
    const qsizetype end = i + 1 < size() ? m_entries[size_t(i + 1)].start : m_text.size();
    return { e.lineNumber, LogFinding::Kind(e.kind),
        QString::fromLatin1(m_text.constData() + e.start, end - e.start) };
}

LogFindings CheckLog(const QStringList& lines, const ContestSettings& settings,
    const SheetFields& sheet, int localOffsetSeconds)
{
    StationIndex stations(lines);
    stations.rebuild();
    return CheckLog(lines, stations, settings, sheet, localOffsetSeconds, true);
}

LogFindings CheckLog(const QStringList& lines, const StationIndex& stations,
    const ContestSettings& settings, const SheetFields& sheet, int localOffsetSeconds,
    bool wholeLog)
{
    Q_ASSERT(stations.rowCount() == lines.size());
    Checker checker(lines, stations, settings, sheet, localOffsetSeconds, wholeLog);
    for (qsizetype i = 0; i < lines.size(); ++i)
        checker.line(int(i + 1), lines.at(i));
    return checker.finish();
}

QString FindingRowText(const LogFinding& finding)
{
    const QString where = finding.lineNumber > 0 ? QStringLiteral("Line %1").arg(finding.lineNumber)
        : finding.kind == LogFinding::MissingSetting || finding.kind == LogFinding::Category
        ? QStringLiteral("Settings")
        : QStringLiteral("Log");
    return where.leftJustified(10, QLatin1Char(' ')) + finding.text;
}

QString NoFindingsText(qsizetype contacts)
{
    const QString what = contacts == 1
        ? QStringLiteral("the one contact in the log keeps")
        : QStringLiteral("the %1 contacts in the log keep").arg(contacts);
    return QStringLiteral("Nothing to correct: %1 the contest's rules, and the summary sheet has "
                          "what it needs.")
        .arg(what);
}

} // namespace vorad
