#pragma once

#include <QString>
#include <QStringView>
#include <QTime>

namespace vorad {

struct ContestSettings;

struct BandRow
{
    const char* label;
    bool vhf; // the VHF group; the rest is HF
    bool alwaysDoubled;
};

// In the BAND UP direction; the index + 1 is the band number.
inline constexpr BandRow BandTable[18] = {
    { "160m", false, true },
    { "80m", false, false },
    { "40m", false, false },
    { "30m", false, false },
    { "20m", false, false },
    { "17m", false, false },
    { "15m", false, false },
    { "12m", false, false },
    { "10m", false, false },
    { "6m", true, false },
    { "2m", true, false },
    { "70cm", true, false },
    { "23cm", true, true },
    { "13cm", true, true },
    { "9cm", true, true },
    { "6cm", true, true },
    { "3cm", true, true },
    { "1cm", true, true },
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
