#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

namespace vorad {

struct ContestDates
{
    QDate start; // the Saturday nearest to 15 August
    QDate finish; // the Sunday after it
};

ContestDates DefaultContestDates(int year);

// Offset of the local clock from UTC, as hours and a minutes part of the same sign.
struct UtcOffset
{
    int hours = 0;
    int minutes = 0;
};

// From an offset in seconds east of UTC.
UtcOffset UtcOffsetFromSeconds(int offsetSeconds);

// "UTC +8", "UTC -5", "UTC +9.5"; other minutes as a decimal part ("UTC +12.75").
QString TimeZoneLabel(const UtcOffset& offset);

// The optional station file read at start-up: line 1 the callsign, line 2 the UTC offset in hours.
struct OverrideFile
{
    static constexpr int MinOffsetHours = -12;
    static constexpr int MaxOffsetHours = 14;

    QString callsign; // line 1, quotes removed
    bool hasCallsign = false; // line 1 holds more than spaces: else the saved callsign stays
    bool hasOffset = false; // a line 2 exists
    QString offsetText; // line 2, quotes removed
    bool offsetValid = false; // line 2 is a number
    bool offsetClamped = false; // ... beyond the zones of the world: offsetHours is the nearer end
    int offsetHours = 0;

    QString timeZoneLabel() const;
    QString conversionError() const; // when !offsetValid
    QString rangeError() const; // when offsetClamped
};

OverrideFile ParseOverrideFile(const QByteArray& bytes);

// The most of the override file that is read; it holds 21 short lines.
constexpr qint64 OverrideFileReadLimit = 64 * 1024;

// The help page for the desktop's browser: DOVavoviv.html, or DOVavoviv.hlp that says where
// it is, in the first of `folders` that has one; else DOVavoviv.hlp in the first folder.
QString HelpFilePath(const QStringList& folders);

} // namespace vorad
