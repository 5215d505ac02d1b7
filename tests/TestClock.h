#pragma once

#include <optional>

#include <QDateTime>

#include "Clock.h"

// A local clock that stands still where the test puts it.
class TestClock : public vorad::Clock
{
public:
    TestClock(QDate date = QDate(2026, 3, 1), QTime time = QTime(12, 0), int offsetSeconds = 34200)
    {
        set(date, time, offsetSeconds);
    }
    void set(QDate date, QTime time, int offsetSeconds)
    {
        m_local = QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds);
    }
    // Local wall time that shows the given UTC moment.
    void setUtc(QDate date, QTime time, int offsetSeconds = 0)
    {
        m_local = QDateTime(date, time, Qt::UTC).toOffsetFromUtc(offsetSeconds);
    }
    void advance(int seconds) { m_local = m_local.addSecs(seconds); }
    QDateTime localNow() const override { return m_local; }
    int standardOffsetSeconds() const override
    {
        return m_standardSeconds ? *m_standardSeconds : m_local.offsetFromUtc();
    }
    void setStandardOffset(int seconds) { m_standardSeconds = seconds; }

private:
    QDateTime m_local;
    std::optional<int> m_standardSeconds;
};
