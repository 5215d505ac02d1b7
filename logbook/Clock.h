#pragma once

#include <QDateTime>

namespace vorad {

// The program's one source of time, replaceable in tests.
class Clock
{
public:
    virtual ~Clock() = default;
    // The local wall clock, carrying the offset from UTC in force (daylight saving included).
    virtual QDateTime localNow() const { return QDateTime::currentDateTime(); }
    QDate localDate() const { return localNow().date(); }
};

} // namespace vorad
