#include "EntryRules.h"

#include "BandMode.h"
#include "LogLine.h"

namespace vorad {

namespace {

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text)
{
    for (QChar c : text) {
        if (!isDigit(c))
            return false;
    }
    return true;
}

// A decimal field of a date or time text; -1 when it is not a number.
int number(QStringView text, qsizetype from, qsizetype length)
{
    if (from < 0 || from + length > text.size())
        return -1;
    // Plain digits, as every logged date and time has, are read at once: the dupe display
    // reads two of them for every line of the log.
    int plain = 0;
    qsizetype i = from;
    for (; i < from + length; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            break;
        plain = plain * 10 + (c - u'0');
    }
    if (i == from + length && length > 0 && length < 10)
        return plain;
    bool ok = false;
    const int v = text.mid(from, length).toInt(&ok, 10);
    return ok ? v : -1;
}

bool leapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysBefore(int month, int year)
{
    static constexpr int lengths[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    int days = 0;
    for (int m = 1; m < month && m <= 12; ++m)
        days += lengths[m - 1] + (m == 2 && leapYear(year) ? 1 : 0);
    return days;
}

void appendTwo(QString& out, int v)
{
    out += QLatin1Char(static_cast<char>('0' + (v / 10) % 10));
    out += QLatin1Char(static_cast<char>('0' + v % 10));
}

} // namespace

NormalisedCallsign NormaliseCallsignText(const QString& typed, const QString& lastCallsign)
{
    NormalisedCallsign out;
    QString call = typed.left(10);
    if (call.contains(QLatin1Char('/'))) {
        out.callsign = call;
        return out;
    }
    const bool lastIsVk = lastCallsign.startsWith(QLatin1String("VK"));
    const qsizetype len = call.size();
    if (len > 0 && !call.startsWith(QLatin1String("VK")) && isDigit(call.at(0))
        && (len == 3 || len == 4 || (len == 5 && call.at(1) == QLatin1Char('F'))) && lastIsVk) {
        call = (QLatin1String("VK") + call).left(10);
        out.completion = NormalisedCallsign::VkPrefix;
    }
    const qsizetype len2 = call.size();
    if (lastIsVk && len2 > 0 && !call.startsWith(QLatin1String("VK")) && !isDigit(call.at(0))
        && (len2 == 2 || len2 == 3 || (len2 == 4 && call.at(0) == QLatin1Char('F')))) {
        call = (lastCallsign.left(3) + call).left(10);
        out.completion = NormalisedCallsign::PreviousPrefix;
    }
    const QStringView prefix = QStringView(call).left(2);
    const bool knownPrefix = prefix == QLatin1String("VK") || prefix == QLatin1String("VI")
        || prefix == QLatin1String("ZL") || prefix == QLatin1String("P2");
    if (!knownPrefix || call.size() < 4 || !isDigit(call.at(2))
        || (call.size() == 7 && lastIsVk && call.at(3) != QLatin1Char('F')))
        call.clear();
    out.callsign = call;
    return out;
}

QString RightJustified7(const QString& text)
{
    return text.rightJustified(7, QLatin1Char(' '));
}

bool SentReportFits(QStringView stripped)
{
    return stripped.size() <= 6 || (stripped.size() == 7 && allDigits(stripped));
}

FormattedReport FormatReport(const QString& box, ReportBox which, const QString& mode, bool autoRST,
    bool sentBoxEmpty, int serial)
{
    // Only a serial of 1000 or more makes a text one longer: below it every rule stays as it was.
    const bool fourDigitSerial = which == ReportBox::Sent && serial >= 1000;
    FormattedReport out;
    const bool received = which == ReportBox::Received;
    QString s = StripSpaces(box);
    if (received) {
        if (!allDigits(box))
            s.clear();
        if (sentBoxEmpty) {
            out.text = allDigits(box) ? box : QString();
            return out;
        }
    } else if (s.isEmpty()) {
        out.text = box; // an empty sent report is left as it is
        return out;
    }
    const bool cw = StripSpaces(mode) == QLatin1String("CW");
    QString r;
    const qsizetype len = s.size();
    bool unknownLength = false;
    if (autoRST) {
        switch (len) {
        case 1:
            r = (cw ? QLatin1String("59900") : QLatin1String("5900")) + s;
            break;
        case 2:
            r = (cw ? QLatin1String("5990") : QLatin1String("590")) + s;
            break;
        case 3:
            r = (cw ? QLatin1String("599") : QLatin1String("59")) + s;
            break;
        case 4:
            // A bare serial of 1000 or more gets its signal report like a shorter one.
            if (fourDigitSerial && allDigits(s) && s.at(0) != QLatin1Char('0'))
                r = (cw ? QLatin1String("599") : QLatin1String("59")) + s;
            else
                unknownLength = true;
            break;
        case 5:
            r = cw ? s.left(2) + QLatin1Char('9') + s.right(3) : s;
            break;
        case 6:
            if (fourDigitSerial && IsSignalAndFourDigitSerial(s))
                r = cw ? s.left(2) + QLatin1Char('9') + s.right(4) : s;
            else
                r = cw ? s : s.left(2) + s.right(3);
            break;
        case 7:
            if (!received && allDigits(s))
                r = cw ? s : s.left(2) + s.right(4);
            else
                unknownLength = true;
            break;
        default:
            unknownLength = true;
        }
    } else {
        switch (len) {
        case 1:
            r = QLatin1String("00") + s;
            break;
        case 2:
            r = QLatin1Char('0') + s;
            break;
        case 3:
        case 5:
        case 6:
            r = s;
            break;
        case 7:
            if (!received && allDigits(s))
                r = s;
            else
                unknownLength = true;
            break;
        default:
            unknownLength = true;
        }
    }
    if (unknownLength)
        r = received ? QString() : s;
    if (received) {
        out.text = r;
        return out;
    }
    if (!SentReportFits(r)) {
        out.sentTooLong = true;
        r.truncate(6);
    }
    out.text = RightJustified7(r);
    return out;
}

QString UnreadReportText(const QString& typed)
{
    if (!allDigits(typed))
        return QStringLiteral("  Received report %1 does not read (digits only) - please correct "
                              "it...")
            .arg(typed);
    return QStringLiteral("  Received report %1 does not read as a report and serial - please "
                          "correct it...")
        .arg(typed);
}

QString RenewSentReport(const QString& box, int serial)
{
    // The signal report is what stands before the serial: two characters for phone, three
    // for CW; a four-digit serial makes the text one longer.
    const QString s = StripSpaces(box);
    const bool fourDigits = serial >= 1000;
    qsizetype keep = 0;
    switch (s.size()) {
    case 5:
        keep = 2;
        break;
    case 6:
        keep = fourDigits && IsSignalAndFourDigitSerial(s) ? 2 : 3;
        break;
    case 7:
        keep = fourDigits && allDigits(s) ? 3 : 0;
        break;
    default:
        break;
    }
    if (keep == 0)
        return QStringLiteral("    ") + QString::number(serial);
    return s.left(keep) + QStringLiteral("%1").arg(serial, 3, 10, QLatin1Char('0'));
}

LogMoment ReadMoment(QStringView date, QStringView time)
{
    return { number(date, 0, 2), number(date, 3, 2), number(date, 6, 4), number(time, 0, 2),
        number(time, 3, 2) };
}

Elapsed ElapsedSeconds(const LogMoment& a, const LogMoment& b)
{
    Elapsed out;
    if (a.month < 0 || a.day < 0 || a.year < 0 || b.month < 0 || b.day < 0 || b.year < 0
        || a.hour < 0 || a.minute < 0 || b.hour < 0 || b.minute < 0) {
        out.valid = false;
        return out;
    }
    if (a.year != b.year) {
        out.yearMismatch = true;
        return out;
    }
    qint64 day1 = a.day, day2 = b.day;
    if (a.month != b.month) {
        day1 += daysBefore(a.month, a.year);
        day2 += daysBefore(b.month, b.year);
    }
    out.seconds = (day2 * 86400 + b.hour * 3600 + b.minute * 60)
        - (day1 * 86400 + a.hour * 3600 + a.minute * 60);
    return out;
}

Elapsed ElapsedSeconds(QStringView date1, QStringView time1, QStringView date2, QStringView time2)
{
    return ElapsedSeconds(ReadMoment(date1, time1), ReadMoment(date2, time2));
}

QString FormatClock(const QDateTime& moment)
{
    const QDate d = moment.date();
    const QTime t = moment.time();
    QString out;
    out.reserve(19);
    appendTwo(out, t.hour());
    out += QLatin1Char(':');
    appendTwo(out, t.minute());
    out += QLatin1Char(':');
    appendTwo(out, t.second());
    out += QLatin1Char(' ');
    appendTwo(out, d.month());
    out += QLatin1Char('-');
    appendTwo(out, d.day());
    out += QLatin1Char('-');
    appendTwo(out, d.year() / 100);
    appendTwo(out, d.year() % 100);
    return out;
}

// "1 hrs 59 min": hours only past a full hour, and only when not 0.
static QString hoursAndMinutes(qint64 minutes)
{
    if (minutes <= 60)
        return QString::number(minutes) + QLatin1String(" min");
    return QString::number(minutes / 60) + QLatin1String(" hrs ") + QString::number(minutes % 60)
        + QLatin1String(" min");
}

QString RepeatRefusedText(qint64 elapsedSeconds, int repeatHours)
{
    const qint64 ago = elapsedSeconds / 60;
    const qint64 togo = qint64(repeatHours) * 60 - ago;
    return QStringLiteral(" Last worked ") + hoursAndMinutes(ago) + QLatin1String(" ago. ( ")
        + hoursAndMinutes(togo) + QLatin1String(" to go )");
}

QString RepeatAllowedText(qint64 elapsedSeconds)
{
    return QStringLiteral(" Last worked ") + hoursAndMinutes(elapsedSeconds / 60)
        + QLatin1String(" ago. ");
}

QString ContestTimeLeftText(qint64 leftSeconds)
{
    const qint64 hours = leftSeconds / 3600;
    const qint64 minutes = (leftSeconds % 3600) / 60;
    if (hours == 0)
        return QStringLiteral(" Contest time left:  ") + QString::number(minutes)
            + QLatin1String("  min ");
    return QStringLiteral(" Contest time left: ") + QString::number(hours) + QLatin1String(" hrs ")
        + QString::number(minutes) + QLatin1String("  min ");
}

QString OutsideWindowMessage()
{
    static const char* const lines[9] = {
        "You can not work any stations outside the start",
        "and finish time and date for the contest. If you",
        "have changed the start and end date/time or your",
        "PC clock for testing then please check the settings.",
        "The contest time can not be greater than 24 hours.",
        "",
        "If you were working in the QZ contest, then it has",
        "FINISHED for the year and you can not work any",
        "more stations.",
    };
    QStringList out;
    for (const char* line : lines)
        out.append(
            (QLatin1String("   ") + QLatin1String(line)).leftJustified(56, QLatin1Char(' ')));
    return out.join(QLatin1Char('\r'));
}

} // namespace vorad

namespace vorad {

bool IsFrequencyText(const QString& text)
{
    const QString s = StripSpaces(text);
    int digits = 0;
    int points = 0;
    for (QChar c : s) {
        if (isDigit(c))
            ++digits;
        else if (c == QLatin1Char('.'))
            ++points;
        else
            return false;
    }
    return digits > 0 && points <= 1;
}

QString BandTypedInCallsign(const QString& text)
{
    const QString s = StripSpaces(text);
    // One digit and two letters ("3CM") is a callsign the prefix completes (VK3CM): those
    // bands are reached by their frequency.
    const bool completesToACallsign
        = s.size() == 3 && isDigit(s.at(0)) && s.at(1).isLetter() && s.at(2).isLetter();
    for (const BandRow& row : BandTable) {
        if (!completesToACallsign && s.compare(QLatin1String(row.label), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(row.label);
    }
    if (!IsFrequencyText(s))
        return {};
    constexpr qint64 MHz = 1000000;
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    // Past a million MHz no band lies: longer numbers are not read (nor can they overflow).
    constexpr qsizetype LongestWhole = 7;
    if (point >= 0) {
        const QString whole = s.left(point);
        if (whole.size() > LongestWhole)
            return {};
        // Hertz at most: the seventh decimal and beyond are below any band's edge.
        const QString fraction = s.mid(point + 1).left(6).leftJustified(6, QLatin1Char('0'));
        return BandForFrequency(whole.toLongLong() * MHz + fraction.toLongLong());
    }
    if (s.size() > LongestWhole)
        return {};
    const qint64 n = s.toLongLong();
    if (n < 1000)
        return BandForFrequency(n * MHz);
    const QString asKHz = BandForFrequency(n * 1000);
    return asKHz.isEmpty() ? BandForFrequency(n * MHz) : asKHz;
}

QString FilterEntryText(const QString& text, EntryKind kind)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || u > 0xFF || u == u',' || u == u'"')
            continue;
        if (kind == EntryKind::ReceivedReport && !isDigit(c))
            continue;
        if (kind == EntryKind::Callsign) {
            const QChar upper = c.toUpper();
            if (upper.unicode() <= 0xFF)
                c = upper;
        }
        out += c;
    }
    return out;
}

} // namespace vorad
