#pragma once

#include <QDateTime>
#include <QTimeZone>

namespace vorad {

// The program's one source of time, replaceable in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime utcNow() const { return QDateTime::currentDateTimeUtc(); }
    virtual QDate localDate() const { return QDate::currentDate(); }
    // Minutes to add to local time to get UTC, without daylight saving (west of UTC positive).
    virtual int standardBiasMinutes() const
    {
        return -QTimeZone::systemTimeZone().standardTimeOffset(QDateTime::currentDateTimeUtc())
            / 60;
    }
};

} // namespace vorad
