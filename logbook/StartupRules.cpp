#include "StartupRules.h"

#include "ProfileFile.h"

#include <QDir>
#include <QFileInfo>
#include <QList>

#include <algorithm>

namespace vorad {

ContestDates DefaultContestDates(int year)
{
    QDate saturday(year, 8, 16);
    while (saturday.dayOfWeek() != Qt::Saturday)
        saturday = saturday.addDays(1);
    const QDate fifteenth(year, 8, 15);
    const QDate earlier = saturday.addDays(-7);
    const QDate nearest
        = earlier.daysTo(fifteenth) < fifteenth.daysTo(saturday) ? earlier : saturday;
    return { nearest, nearest.addDays(1) };
}

UtcOffset UtcOffsetFromSeconds(int offsetSeconds)
{
    // Division and remainder truncate toward zero: both parts carry the offset's sign.
    const int minutes = offsetSeconds / 60;
    return { minutes / 60, minutes % 60 };
}

QString TimeZoneLabel(const UtcOffset& offset)
{
    const int total = offset.hours * 60 + offset.minutes;
    const int hours = qAbs(total) / 60;
    const int minutes = qAbs(total) % 60;
    QString label
        = (total < 0 ? QStringLiteral("UTC -") : QStringLiteral("UTC +")) + QString::number(hours);
    if (minutes == 30)
        label += QLatin1String(".5");
    else if (minutes != 0)
        label += QString::number(minutes / 60.0, 'g', 4).mid(1);
    return label;
}

QString OverrideFile::timeZoneLabel() const
{
    // A clamped offset shows what is used, not the number that was in the file.
    return offsetClamped ? TimeZoneLabel({ offsetHours, 0 }) : QStringLiteral("UTC ") + offsetText;
}

QString OverrideFile::conversionError() const
{
    return QStringLiteral("'%1' is not a valid integer value").arg(offsetText);
}

QString OverrideFile::rangeError() const
{
    return QStringLiteral("'%1' is out of range for the UTC offset: %2 is used")
        .arg(offsetText, QString::number(offsetHours));
}

OverrideFile ParseOverrideFile(const QByteArray& bytes)
{
    OverrideFile out;
    QList<QByteArray> lines = bytes.left(OverrideFileReadLimit).split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the line end of the last line opens no new line
    auto clean = [](QByteArray line) {
        line.replace('"', QByteArray()).replace('\r', QByteArray());
        return QString::fromLatin1(line);
    };
    if (!lines.isEmpty()) {
        out.callsign = clean(lines.at(0)).left(255);
        out.hasCallsign = !out.callsign.trimmed().isEmpty();
    }
    if (lines.size() >= 2) {
        out.hasOffset = true;
        out.offsetText = clean(lines.at(1)).left(255);
        // Held to the zones of the world before anyone turns the hours into seconds.
        const std::optional<qint64> hours = WideInteger(out.offsetText);
        out.offsetValid = hours.has_value();
        if (hours) {
            out.offsetHours = static_cast<int>(std::clamp<qint64>(
                *hours, OverrideFile::MinOffsetHours, OverrideFile::MaxOffsetHours));
            out.offsetClamped = out.offsetHours != *hours;
        }
    }
    return out;
}

QString HelpFilePath(const QStringList& folders)
{
    for (const QString& folder : folders) {
        for (const char* name : { "DOVavoviv.html", "DOVavoviv.hlp" }) {
            const QString candidate = QDir(folder).filePath(QString::fromLatin1(name));
            if (QFileInfo::exists(candidate))
                return candidate;
        }
    }
    return QDir(folders.value(0)).filePath(QStringLiteral("DOVavoviv.hlp"));
}

} // namespace vorad
