#pragma once

#include <QString>
#include <QStringView>
#include <QTime>
#include <QtGlobal>

namespace vorad {

struct ContestSettings;

struct BandRow
{
    const char* label;
    bool vhf; // the VHF group; the rest is HF
    bool alwaysDoubled;
    // The amateur allocation in hertz, edges included (the widest of the regions' plans, so
    // that a rig tuned anywhere a VK, ZL or P2 station may transmit names its band).
    qint64 lowHz;
    qint64 highHz;
};

// In the BAND UP direction; the index + 1 is the band number.
inline constexpr BandRow BandTable[18] = {
    { "160m", false, true, 1800000LL, 2000000LL },
    { "80m", false, false, 3500000LL, 4000000LL },
    { "40m", false, false, 7000000LL, 7300000LL },
    { "30m", false, false, 10100000LL, 10150000LL },
    { "20m", false, false, 14000000LL, 14350000LL },
    { "17m", false, false, 18068000LL, 18168000LL },
    { "15m", false, false, 21000000LL, 21450000LL },
    { "12m", false, false, 24890000LL, 24990000LL },
    { "10m", false, false, 28000000LL, 29700000LL },
    { "6m", true, false, 50000000LL, 54000000LL },
    { "2m", true, false, 144000000LL, 148000000LL },
    { "70cm", true, false, 420000000LL, 450000000LL },
    { "23cm", true, true, 1240000000LL, 1300000000LL },
    { "13cm", true, true, 2300000000LL, 2450000000LL },
    { "9cm", true, true, 3300000000LL, 3600000000LL },
    { "6cm", true, true, 5650000000LL, 5850000000LL },
    { "3cm", true, true, 10000000000LL, 10500000000LL },
    { "1cm", true, true, 24000000000LL, 24250000000LL },
};

struct ModeRow
{
    const char* label;
    int ContestSettings::*points;
};

// In the CHANGE MODE order.
extern const ModeRow ModeTable[7];

// Index into BandTable of a band text (spaces ignored), or -1.
int BandIndex(QStringView band);
// Index into ModeTable, or -1.
int ModeIndex(QStringView mode);

QString BandUp(const QString& band);
QString BandDown(const QString& band);
QString NextMode(const QString& mode);

bool IsAlwaysDoubledBand(QStringView band);

// The label of the band a frequency in hertz lies in; empty outside every band.
QString BandForFrequency(qint64 hz);
bool IsSameAreaHfBand(QStringView band);

// The points setting of a mode; false when the mode is not in the table.
bool ModePoints(const ContestSettings& settings, QStringView mode, int* points);

// True strictly between 01:00:00.000 and 06:00:00.000 of the local day.
bool InEarlyMorning(const QTime& localTime);

// The preview of the points box. `current` is what the box shows (kept as the base for a mode
// not in the table; a box that is not a number is left as it is).
QString RefreshPoints(const ContestSettings& settings, const QString& band, const QString& mode,
    const QString& current, bool marker100km, const QTime& localTime);

} // namespace vorad
