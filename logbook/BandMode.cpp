#include "BandMode.h"

#include <array>

#include "ContestSettings.h"
#include "LogLine.h"

namespace vorad {

const ModeRow ModeTable[7] = {
    { "Phone", &ContestSettings::fmPoints },
    { "AM", &ContestSettings::amPoints },
    { "FM", &ContestSettings::fmPoints },
    { "SSB", &ContestSettings::ssbPoints },
    { "TV", &ContestSettings::tvPoints },
    { "Dgtl", &ContestSettings::digiPoints },
    { "CW", &ContestSettings::cwPoints },
};

namespace {

// Compares a text, its spaces ignored, with a table label, exactly.
bool sameLabel(QStringView text, const char* label)
{
    qsizetype i = 0;
    for (QChar c : text) {
        if (c == QLatin1Char(' '))
            continue;
        if (label[i] == '\0' || c != QLatin1Char(label[i]))
            return false;
        ++i;
    }
    return label[i] == '\0';
}

bool inList(QStringView band, std::initializer_list<const char*> list)
{
    for (const char* b : list) {
        if (sameLabel(band, b))
            return true;
    }
    return false;
}

} // namespace

namespace {

// Up to seven ASCII characters packed into one number; 0 for anything else. The summary and
// the dupe display look up the band and mode of every line of the log.
quint64 packed(QStringView text, bool skipSpaces)
{
    quint64 key = 0;
    int n = 0;
    for (QChar c : text) {
        if (skipSpaces && c == QLatin1Char(' '))
            continue;
        // No label is that long, nor holds anything but ASCII.
        if (n == 7 || c.unicode() > 127 || c.unicode() == 0)
            return 0;
        key |= quint64(c.unicode()) << (8 * n++);
    }
    return key;
}

// The row whose label is the text, its spaces ignored.
template <typename Row, std::size_t N> int rowOf(QStringView text, const Row (&table)[N])
{
    static const std::array<quint64, N> labels = [&table] {
        std::array<quint64, N> keys {};
        for (std::size_t i = 0; i < N; ++i)
            keys[i] = packed(QString::fromLatin1(table[i].label), false);
        return keys;
    }();
    const quint64 key = packed(text, true);
    if (key == 0)
        return -1;
    for (std::size_t i = 0; i < N; ++i) {
        if (labels[i] == key)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

int BandIndex(QStringView band)
{
    return rowOf(band, BandTable);
}

int ModeIndex(QStringView mode)
{
    return rowOf(mode, ModeTable);
}

static QString stepBand(const QString& band, int step)
{
    if (StripSpaces(band).isEmpty())
        return QStringLiteral("2m");
    const int i = BandIndex(band);
    if (i < 0)
        return band;
    return QString::fromLatin1(BandTable[(i + step + 18) % 18].label);
}

QString BandUp(const QString& band)
{
    return stepBand(band, 1);
}

QString BandDown(const QString& band)
{
    return stepBand(band, -1);
}

QString NextMode(const QString& mode)
{
    const int i = ModeIndex(mode);
    return i < 0 ? mode : QString::fromLatin1(ModeTable[(i + 1) % 7].label);
}

QString BandForFrequency(qint64 hz)
{
    for (const BandRow& row : BandTable)
        if (hz >= row.lowHz && hz <= row.highHz)
            return QString::fromLatin1(row.label);
    return QString();
}

bool IsAlwaysDoubledBand(QStringView band)
{
    const int i = BandIndex(band);
    return i >= 0 && BandTable[i].alwaysDoubled;
}

bool IsSameAreaHfBand(QStringView band)
{
    return inList(band, { "80m", "40m", "30m", "20m", "17m", "15m", "12m" });
}

bool ModePoints(const ContestSettings& settings, QStringView mode, int* points)
{
    const int i = ModeIndex(mode);
    if (i < 0)
        return false;
    *points = settings.*ModeTable[i].points;
    return true;
}

bool InEarlyMorning(const QTime& localTime)
{
    return localTime > QTime(1, 0) && localTime < QTime(6, 0);
}

QString RefreshPoints(const ContestSettings& settings, const QString& band, const QString& mode,
    const QString& current, bool marker100km, const QTime& localTime)
{
    int points = 0;
    if (!ModePoints(settings, mode, &points)) {
        bool ok = false;
        points = current.toInt(&ok, 10);
        if (!ok)
            return current; // nothing to double
    }
    const int b = BandIndex(band);
    if (settings.doublePoints16 && InEarlyMorning(localTime) && b >= 0 && BandTable[b].vhf)
        points *= 2;
    if (b >= 0 && BandTable[b].alwaysDoubled)
        points *= 2;
    if (marker100km)
        points *= 2;
    return QString::number(points);
}

} // namespace vorad
