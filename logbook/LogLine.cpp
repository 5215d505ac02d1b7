#include "LogLine.h"

namespace vorad {

namespace {

// Column cuts of the reader: 0-based start and width.
struct Cut
{
    qsizetype start;
    qsizetype width;
};
constexpr Cut BandCut { 0, 5 };
constexpr Cut ModeCut { 5, 6 };
constexpr Cut RstSentCut { 12, 6 };
constexpr Cut CallsignCut { 20, 10 };
constexpr Cut NameCut { 32, 10 };
constexpr Cut RstReceivedCut { 42, 6 };
constexpr Cut TimeCut { 51, 5 };
constexpr Cut DateCut { 60, 10 };
constexpr qsizetype PointsColumn = 72;

QString cut(const QString& line, Cut c)
{
    if (c.start >= line.size())
        return {};
    return line.mid(c.start, c.width);
}

void appendPadded(QString& out, const QString& value, qsizetype width)
{
    out += value;
    for (qsizetype i = value.size(); i < width; ++i)
        out += QLatin1Char(' ');
}

} // namespace

QString StripSpaces(const QString& text)
{
    if (!text.contains(QLatin1Char(' ')))
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            out += c;
    }
    return out;
}

QString FormatLogLine(const QString& band, const QString& mode, const QString& rstSent,
    const QString& callsign, const QString& name, const QString& rstReceived, const QString& time,
    const QString& date, const QString& points)
{
    QString line;
    line.reserve(80);
    appendPadded(line, band, 5);
    appendPadded(line, mode, 6);
    for (qsizetype i = rstSent.size(); i < 7; ++i)
        line += QLatin1Char(' ');
    line += rstSent;
    line += QLatin1String("  ");
    appendPadded(line, callsign, 12);
    appendPadded(line, name, 10);
    appendPadded(line, rstReceived, 9);
    appendPadded(line, time, 9);
    appendPadded(line, date, 12);
    line += points;
    return line;
}

LogFields ParseLogLine(const QString& line)
{
    LogFields f;
    f.band = StripSpaces(cut(line, BandCut));
    f.mode = StripSpaces(cut(line, ModeCut));
    f.rstSent = StripSpaces(cut(line, RstSentCut));
    f.callsign = StripSpaces(cut(line, CallsignCut));
    f.name = StripSpaces(cut(line, NameCut));
    f.rstReceived = StripSpaces(cut(line, RstReceivedCut));
    f.time = cut(line, TimeCut);
    f.date = cut(line, DateCut);
    f.points = line.size() > PointsColumn ? line.mid(PointsColumn) : QString();
    return f;
}

QString LogLineToFileRecord(const QString& line)
{
    const LogFields f = ParseLogLine(line);
    const QChar q = QLatin1Char('"');
    const QChar comma = QLatin1Char(',');
    QString r;
    r.reserve(64);
    for (const QString* v : { &f.date, &f.time, &f.band, &f.mode, &f.callsign, &f.rstSent,
             &f.rstReceived }) {
        r += q;
        r += *v;
        r += q;
        r += comma;
    }
    r += f.points;
    r += comma;
    r += q;
    r += f.name;
    r += q;
    return r;
}

QString FileRecordToLogLine(const QString& record, bool* fieldsCut)
{
    QString fields[9];
    int index = 0;
    // The last character (the name's closing quote) never belongs to a field.
    const qsizetype end = record.size() - 1;
    for (qsizetype i = 0; i < end && index < 9; ++i) {
        const QChar c = record.at(i);
        if (c == QLatin1Char(','))
            ++index;
        else if (c != QLatin1Char('"'))
            fields[index] += c;
    }
    // File order: date, time, band, mode, callsign, RST sent, RST received, points, name.
    static constexpr qsizetype widths[9] = { DateCut.width, TimeCut.width, BandCut.width,
        ModeCut.width, CallsignCut.width, RstSentCut.width, RstReceivedCut.width, -1,
        NameCut.width };
    bool wasCut = false;
    for (int i = 0; i < 9; ++i) {
        if (widths[i] >= 0 && fields[i].size() > widths[i]) {
            fields[i].truncate(widths[i]);
            wasCut = true;
        }
    }
    if (fieldsCut)
        *fieldsCut = wasCut;
    return FormatLogLine(fields[2], fields[3], fields[5], fields[4], fields[8], fields[6],
        fields[1], fields[0], fields[7]);
}

bool PointsValue(const QString& points, int* value)
{
    bool ok = false;
    const int v = points.trimmed().toInt(&ok, 10);
    if (value)
        *value = ok ? v : 0;
    return ok;
}

int NextSerialNumber(const QStringList& lines)
{
    // A damaged last line must neither stop the contest nor restart the serials: count on
    // from the newest line whose serial reads.
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        bool ok = false;
        const int serial = ParseLogLine(*it).rstSent.right(3).toInt(&ok, 10);
        if (ok)
            return serial + 1;
    }
    return 1;
}

QString LogFileCaption(const QString& logFileName)
{
    QString caption = QStringLiteral("Vandrel Contest Program 1.50      ");
    if (logFileName.size() <= 25)
        caption += logFileName;
    else
        caption += logFileName.left(12) + QLatin1String("....") + logFileName.right(13);
    return caption;
}

} // namespace vorad
