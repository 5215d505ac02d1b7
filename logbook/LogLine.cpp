#include "LogLine.h"

#include <algorithm>
#include <cstring>

namespace vorad {

QStringView LogLineColumns(QStringView line, qsizetype start, qsizetype width)
{
    if (start >= line.size())
        return {};
    return line.mid(start, qMin(width, line.size() - start));
}

namespace {

// Column cuts of the reader: 0-based start and width.
struct Cut
{
    qsizetype start;
    qsizetype width;
};
constexpr Cut BandCut { 0, 5 };
constexpr Cut ModeCut { 5, 6 };
// Columns 12-18: a sent report of up to 6 characters leaves column 12 blank, so the lines of
// earlier versions read as they did; 7 holds a CW report with a four-digit serial.
constexpr Cut RstSentCut { 11, 7 };
constexpr Cut CallsignCut { 20, 10 };
constexpr Cut NameCut { 32, 10 };
constexpr Cut RstReceivedCut { 42, 6 };
constexpr Cut TimeCut { 51, 5 };
constexpr Cut DateCut { 60, 10 };
constexpr qsizetype PointsColumn = 72;

QStringView cut(QStringView line, Cut c)
{
    return LogLineColumns(line, c.start, c.width);
}

void appendSpaces(QString& out, qsizetype count)
{
    if (count > 0)
        out.resize(out.size() + count, QLatin1Char(' '));
}

void appendPadded(QString& out, QStringView value, qsizetype width)
{
    out.append(value);
    appendSpaces(out, width - value.size());
}

bool allDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// The digits after the signal report of a sent report.
QStringView serialDigits(QStringView rstSent, bool cw)
{
    if (!allDigits(rstSent))
        return rstSent.right(3);
    switch (rstSent.size()) {
    case 4:
        return rstSent.at(0) != QLatin1Char('0') ? rstSent : rstSent.right(3);
    case 6:
        // A CW line's six digits are always RST and three: its tone need not be 9.
        return rstSent.right(!cw && IsSignalAndFourDigitSerial(rstSent) ? 4 : 3);
    case 7:
        return rstSent.right(4);
    default:
        return rstSent.right(3);
    }
}

QString stripped(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            out += c;
    }
    return out;
}

// Latin-1 bytes of a text with its spaces removed, straight into a file buffer.
void appendStripped(QByteArray& out, QStringView text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            out += static_cast<char>(c.unicode() <= 0xFF ? c.unicode() : '?');
    }
}

void appendLatin1(QByteArray& out, QStringView text)
{
    out += text.toLatin1();
}

QString buildLine(QStringView band, QStringView mode, QStringView rstSent, QStringView callsign,
    QStringView name, QStringView rstReceived, QStringView time, QStringView date,
    QStringView points)
{
    QString line;
    line.reserve(72 + points.size() + 16);
    appendPadded(line, band, 5);
    appendPadded(line, mode, 6);
    appendSpaces(line, 7 - rstSent.size());
    line.append(rstSent);
    line.append(QLatin1String("  "));
    appendPadded(line, callsign, 12);
    appendPadded(line, name, 10);
    appendPadded(line, rstReceived, 9);
    appendPadded(line, time, 9);
    appendPadded(line, date, 12);
    line.append(points);
    return line;
}

} // namespace

QString StripSpaces(const QString& text)
{
    return text.contains(QLatin1Char(' ')) ? stripped(text) : text;
}

QString FormatLogLine(const QString& band, const QString& mode, const QString& rstSent,
    const QString& callsign, const QString& name, const QString& rstReceived, const QString& time,
    const QString& date, const QString& points)
{
    return buildLine(band, mode, rstSent, callsign, name, rstReceived, time, date, points);
}

LogFields ParseLogLine(const QString& line)
{
    LogFields f;
    ParseLogLine(line, f);
    return f;
}

void ParseLogLine(QStringView line, LogFields& f)
{
    // resize(0) keeps the field's buffer, clear() would give it up.
    auto strip = [](QString& out, QStringView text) {
        out.resize(0);
        for (QChar c : text) {
            if (c != QLatin1Char(' '))
                out += c;
        }
    };
    strip(f.band, cut(line, BandCut));
    strip(f.mode, cut(line, ModeCut));
    strip(f.rstSent, cut(line, RstSentCut));
    strip(f.callsign, cut(line, CallsignCut));
    strip(f.name, cut(line, NameCut));
    strip(f.rstReceived, cut(line, RstReceivedCut));
    f.time.resize(0);
    f.time += cut(line, TimeCut);
    f.date.resize(0);
    f.date += cut(line, DateCut);
    f.points.resize(0);
    f.points += LogLinePoints(line);
}

QStringView LogLinePoints(QStringView line)
{
    return line.size() > PointsColumn ? line.mid(PointsColumn) : QStringView();
}

void AppendFileRecord(QByteArray& out, QStringView line)
{
    auto quoted = [&](Cut c, bool strip) {
        out += '"';
        if (strip)
            appendStripped(out, cut(line, c));
        else
            appendLatin1(out, cut(line, c));
        out += "\",";
    };
    quoted(DateCut, false);
    quoted(TimeCut, false);
    quoted(BandCut, true);
    quoted(ModeCut, true);
    quoted(CallsignCut, true);
    quoted(RstSentCut, true);
    quoted(RstReceivedCut, true);
    appendLatin1(out, LogLinePoints(line));
    out += ",\"";
    appendStripped(out, cut(line, NameCut));
    out += '"';
}

QString LogLineToFileRecord(const QString& line)
{
    QByteArray bytes;
    bytes.reserve(line.size());
    AppendFileRecord(bytes, line);
    return QString::fromLatin1(bytes);
}

namespace {

// The first `c` in text[from, to), or `to`: memchr over the bytes a load reads.
qsizetype find(const uchar* text, qsizetype from, qsizetype to, char c)
{
    const void* at = std::memchr(text + from, c, size_t(to - from));
    return at ? static_cast<const uchar*>(at) - text : to;
}
qsizetype find(const char16_t* text, qsizetype from, qsizetype to, char c)
{
    return std::find(text + from, text + to, char16_t(c)) - text;
}

// The display line of one record in a single pass and a single allocation: a load reads
// 100,000 of them. `Ch` is char16_t (a text) or uchar (the Latin-1 bytes of the file).
template <typename Ch> QString recordToLine(const Ch* text, qsizetype size, bool* fieldsCut)
{
    // A comma ends a field wherever it stands; quotes are dropped; the last character (the
    // name's closing quote) never belongs to a field.
    struct Field
    {
        qsizetype from = 0;
        qsizetype to = 0;
        bool innerQuote = false;
    };
    const qsizetype end = qMax<qsizetype>(0, size - 1);
    Field fields[9]; // file order: date, time, band, mode, callsign, RST sent, RST received,
                     // points, name
    qsizetype from = 0;
    for (Field& f : fields) {
        const qsizetype to = find(text, from, end, ',');
        f.from = from;
        f.to = to;
        while (f.from < f.to && text[f.from] == '"')
            ++f.from;
        while (f.to > f.from && text[f.to - 1] == '"')
            --f.to;
        // A field without inner quotes is copied whole.
        f.innerQuote = find(text, f.from, f.to, '"') != f.to;
        if (to == end)
            break;
        from = to + 1;
    }
    auto length = [&](const Field& f) {
        if (!f.innerQuote)
            return f.to - f.from;
        return static_cast<qsizetype>(std::count_if(
            text + f.from, text + f.to, [](Ch c) { return c != static_cast<Ch>('"'); }));
    };

    const qsizetype pointsLength = length(fields[7]);
    QString line(PointsColumn + pointsLength, Qt::Uninitialized);
    QChar* out = line.data();
    std::fill(out, out + PointsColumn, QLatin1Char(' '));
    auto put = [&](const Field& f, qsizetype at, qsizetype count) {
        if (!f.innerQuote) {
            std::transform(text + f.from, text + f.from + count, out + at,
                [](Ch c) { return QChar(static_cast<char16_t>(c)); });
            return;
        }
        for (qsizetype i = f.from; count > 0; ++i) {
            if (text[i] != '"') {
                out[at++] = QChar(static_cast<char16_t>(text[i]));
                --count;
            }
        }
    };
    // Over-long fields are cut to the reader's widths; the sent report stands right-aligned.
    bool wasCut = false;
    auto place = [&](int field, Cut c, bool right) {
        const qsizetype full = length(fields[field]);
        const qsizetype n = qMin(full, c.width);
        wasCut = wasCut || full > n;
        put(fields[field], right ? c.start + c.width - n : c.start, n);
    };
    place(0, DateCut, false);
    place(1, TimeCut, false);
    place(2, BandCut, false);
    place(3, ModeCut, false);
    place(4, CallsignCut, false);
    place(5, RstSentCut, true);
    place(6, RstReceivedCut, false);
    place(8, NameCut, false);
    put(fields[7], PointsColumn, pointsLength);
    if (fieldsCut)
        *fieldsCut = wasCut;
    return line;
}

} // namespace

QString FileRecordToLogLine(const QString& record, bool* fieldsCut)
{
    return recordToLine(QStringView(record).utf16(), record.size(), fieldsCut);
}

QString FileBytesToLogLine(QByteArrayView record, bool* fieldsCut)
{
    return recordToLine(reinterpret_cast<const uchar*>(record.data()), record.size(), fieldsCut);
}

bool PointsValue(QStringView points, int* value)
{
    // The usual case, one to three plain digits, without the general conversion: a load reads
    // the points of every line.
    if (!points.isEmpty() && points.size() <= 3 && allDigits(points)) {
        int v = 0;
        for (QChar c : points)
            v = v * 10 + (c.unicode() - u'0');
        if (value)
            *value = v;
        return true;
    }
    // No contact scores more than a few tens; a huge or negative value is damage, and
    // summing it would overflow the total.
    bool ok = false;
    const int v = points.trimmed().toInt(&ok, 10);
    ok = ok && v >= 0 && v <= MaxContactPoints;
    if (value)
        *value = ok ? v : 0;
    return ok;
}

bool IsSignalAndFourDigitSerial(QStringView stripped)
{
    // A third 9 is the tone of a CW report; a third 0 would make the serial less than 1000.
    return stripped.size() == 6 && allDigits(stripped) && stripped.at(2) != QLatin1Char('9')
        && stripped.at(2) != QLatin1Char('0');
}

namespace {

bool twoDigits(QStringView text, qsizetype at, int* value)
{
    const char16_t a = text.at(at).unicode();
    const char16_t b = text.at(at + 1).unicode();
    if (a < u'0' || a > u'9' || b < u'0' || b > u'9')
        return false;
    *value = (a - u'0') * 10 + (b - u'0');
    return true;
}

} // namespace

bool ReadLogDate(QStringView text, QDate* date)
{
    int month = 0, day = 0, century = 0, year = 0;
    if (text.size() != 10 || text.at(2) != QLatin1Char('-') || text.at(5) != QLatin1Char('-')
        || !twoDigits(text, 0, &month) || !twoDigits(text, 3, &day) || !twoDigits(text, 6, &century)
        || !twoDigits(text, 8, &year))
        return false;
    *date = QDate(century * 100 + year, month, day);
    return date->isValid();
}

bool ReadLogTime(QStringView text, QTime* time)
{
    int hours = 0, minutes = 0;
    if (text.size() != 5 || text.at(2) != QLatin1Char(':') || !twoDigits(text, 0, &hours)
        || !twoDigits(text, 3, &minutes))
        return false;
    *time = QTime(hours, minutes);
    return time->isValid();
}

ReportParts SplitReport(QStringView stripped, bool cw)
{
    const QStringView serial = serialDigits(stripped, cw);
    return { stripped.first(stripped.size() - serial.size()), serial };
}

int NextSerialNumber(const QStringList& lines)
{
    // A damaged last line must neither stop the contest nor restart the serials: count on
    // from the newest line whose serial reads.
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        bool ok = false;
        const QString rstSent = stripped(cut(*it, RstSentCut));
        const bool cw = stripped(cut(*it, ModeCut)) == QLatin1String("CW");
        const int serial = serialDigits(rstSent, cw).toInt(&ok, 10); // four digits at most
        if (ok && serial >= 0)
            return serial + 1;
    }
    return 1;
}

QString ShortLogFileName(const QString& logFileName)
{
    if (logFileName.size() <= 25)
        return logFileName;
    return logFileName.left(12) + QLatin1String("....") + logFileName.right(13);
}

QString LogFileCaption(const QString& logFileName)
{
    return QStringLiteral("Vandrel Contest Program 1.50      ") + ShortLogFileName(logFileName);
}

QString BackupLogName(const QString& logFileName)
{
    const qsizetype n = logFileName.size();
    const bool threeLetterExtension = n >= 5 && logFileName.at(n - 4) == QLatin1Char('.') && [&] {
        for (qsizetype i = n - 3; i < n; ++i) {
            const QChar c = logFileName.at(i);
            if (c == QLatin1Char('.') || c == QLatin1Char('/') || c == QLatin1Char(' '))
                return false;
        }
        const QChar before = logFileName.at(n - 5);
        return before != QLatin1Char('/');
    }();
    if (threeLetterExtension)
        return logFileName.left(n - 3) + QLatin1String("BAK");
    return logFileName + QLatin1String(".BAK");
}

} // namespace vorad
