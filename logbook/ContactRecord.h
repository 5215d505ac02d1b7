#pragma once

#include <QString>

namespace vorad {

// The contact being entered. Each field has a maximum length; set() cuts longer values,
// as the entry boxes would.
struct ContactRecord
{
    QString date; // "mm-dd-yyyy"
    QString time; // "hh:nn:ss"; the log keeps "hh:nn"
    QString callsign;
    QString lastCallsign;
    QString rstReceived;
    QString rstSent = QStringLiteral("001");
    QString band;
    QString mode;
    QString name;
    QString points;

    enum Limit : qsizetype {
        DateMax = 12,
        TimeMax = 8,
        CallsignMax = 10,
        RstMax = 8,
        BandMax = 5,
        ModeMax = 5,
        NameMax = 15,
        PointsMax = 5,
    };

    static void set(QString& field, const QString& value, qsizetype max)
    {
        field = value.left(max);
    }

    void reset() { *this = ContactRecord(); }
};

} // namespace vorad
