#pragma once

#include <QDateTime>
#include <QTimeZone>

namespace vorad {

// The program's one source of time, replaceable in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    // The local wall clock, carrying the offset from UTC in force (daylight saving included).
    virtual QDateTime localNow() const { return QDateTime::currentDateTime(); }
    QDate localDate() const { return localNow().date(); }
    // The zone's standard offset in seconds east of UTC, daylight saving left out.
    virtual int standardOffsetSeconds() const
    {
        return QTimeZone::systemTimeZone().standardTimeOffset(QDateTime::currentDateTime());
    }
};

} // namespace vorad
