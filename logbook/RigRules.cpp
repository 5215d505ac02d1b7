#include "RigRules.h"

#include <algorithm>

namespace vorad {

QString RigModel::caption() const
{
    return maker.isEmpty() ? name : maker + QLatin1Char(' ') + name;
}

void SortRigModels(QList<RigModel>& models)
{
    std::stable_sort(models.begin(), models.end(), [](const RigModel& a, const RigModel& b) {
        if ((a.number == NetRigModel) != (b.number == NetRigModel))
            return a.number == NetRigModel;
        const int maker = QString::compare(a.maker, b.maker, Qt::CaseInsensitive);
        if (maker != 0)
            return maker < 0;
        const int name = QString::compare(a.name, b.name, Qt::CaseInsensitive);
        return name != 0 ? name < 0 : a.number < b.number;
    });
}

RigModel NetRigModelOnly()
{
    return { NetRigModel, QStringLiteral("Hamlib"), QStringLiteral("NET rigctl") };
}

namespace {

struct ModeName
{
    const char* rig;
    const char* label;
};

// The control library's mode names; the data and digital voice modes are the log's "Dgtl".
constexpr ModeName RigModes[] = {
    { "USB", "SSB" },
    { "LSB", "SSB" },
    { "ECSSUSB", "SSB" },
    { "ECSSLSB", "SSB" },
    { "SAL", "SSB" },
    { "SAH", "SSB" },
    { "DSB", "SSB" },
    { "ISBUSB", "SSB" },
    { "ISBLSB", "SSB" },
    { "CW", "CW" },
    { "CWR", "CW" },
    { "CWN", "CW" },
    { "FM", "FM" },
    { "WFM", "FM" },
    { "FMN", "FM" },
    { "AM", "AM" },
    { "AMS", "AM" },
    { "SAM", "AM" },
    { "AMN", "AM" },
    { "RTTY", "Dgtl" },
    { "RTTYR", "Dgtl" },
    { "PKTUSB", "Dgtl" },
    { "PKTLSB", "Dgtl" },
    { "PKTFM", "Dgtl" },
    { "PKTFMN", "Dgtl" },
    { "PKTAM", "Dgtl" },
    { "PSK", "Dgtl" },
    { "PSKR", "Dgtl" },
    { "FAX", "Dgtl" },
    { "DD", "Dgtl" },
    { "C4FM", "Dgtl" },
    { "DSTAR", "Dgtl" },
    { "DPMR", "Dgtl" },
    { "NXDN", "Dgtl" },
    { "NXDNVN", "Dgtl" },
    { "P25", "Dgtl" },
    { "DCR", "Dgtl" },
    { "IQ", "" },
};

} // namespace

QString ModeForRigMode(QStringView rigMode)
{
    const QStringView name = rigMode.trimmed();
    for (const ModeName& m : RigModes) {
        if (name.compare(QLatin1String(m.rig), Qt::CaseInsensitive) == 0)
            return QString::fromLatin1(m.label);
    }
    return QString();
}

QString RigModeForLabel(QStringView label, qint64 hz)
{
    const int i = ModeIndex(label);
    if (i < 0)
        return QString();
    const QLatin1String mode(ModeTable[i].label);
    const bool upper = hz >= 10000000LL;
    if (mode == QLatin1String("SSB"))
        return upper ? QStringLiteral("USB") : QStringLiteral("LSB");
    if (mode == QLatin1String("CW"))
        return QStringLiteral("CW");
    if (mode == QLatin1String("FM"))
        return QStringLiteral("FM");
    if (mode == QLatin1String("AM"))
        return QStringLiteral("AM");
    // The data modes are keyed through the upper sideband on every band.
    if (mode == QLatin1String("Dgtl"))
        return QStringLiteral("PKTUSB");
    return QString(); // Phone and TV: the operator's own choice of the rig's mode stays
}

QString MegahertzText(qint64 hz)
{
    // Unsigned, so that the lowest reading has a magnitude too.
    const quint64 magnitude = hz < 0 ? 0 - quint64(hz) : quint64(hz);
    const quint64 khz = magnitude / 1000;
    return QStringLiteral("%1%2.%3 MHz")
        .arg(hz < 0 ? QStringLiteral("-") : QString())
        .arg(khz / 1000)
        .arg(khz % 1000, 3, 10, QLatin1Char('0'));
}

void BandMemory::remember(qint64 hz)
{
    for (std::size_t i = 0; i < m_last.size(); ++i) {
        if (hz >= BandTable[i].lowHz && hz <= BandTable[i].highHz)
            m_last[i] = hz;
    }
}

qint64 BandMemory::tuneFrequency(QStringView band) const
{
    const int i = BandIndex(band);
    if (i < 0)
        return 0;
    if (m_last[static_cast<std::size_t>(i)] > 0)
        return m_last[static_cast<std::size_t>(i)];
    // Clear of the very edge, below 30 MHz by 10 kHz and above it by 100 kHz.
    const BandRow& row = BandTable[i];
    return row.lowHz + (row.lowHz < 30000000LL ? 10000LL : 100000LL);
}

RigFollowStep RigFollower::take(qint64 hz, QStringView rigMode, const QString& shownBand)
{
    RigFollowStep step;
    const QString band = BandForFrequency(hz);
    const QString mode = ModeForRigMode(rigMode);
    if (band.isEmpty()) {
        // Told once for each spell outside the bands, naming the band that stays.
        if (!m_outsideTold) {
            const QString stays = shownBand.trimmed();
            step.notice
                = QStringLiteral("  Rig frequency %1 is outside every band: the band "
                                 "stays %2")
                      .arg(MegahertzText(hz), stays.isEmpty() ? QStringLiteral("empty") : stays);
        }
        m_outsideTold = true;
    } else {
        m_outsideTold = false;
        if (!m_any || band != m_band)
            step.band = band;
    }
    if (!mode.isEmpty() && (!m_any || mode != m_mode))
        step.mode = mode;
    m_any = true;
    m_band = band;
    if (!mode.isEmpty())
        m_mode = mode;
    return step;
}

void RigFollower::forget()
{
    m_any = false;
    m_band.clear();
    m_mode.clear();
    m_outsideTold = false;
}

RigRequest MergedRigRequest(const QList<RigRequest>& waiting)
{
    RigRequest merged;
    for (const RigRequest& r : waiting) {
        if (r.hz > 0)
            merged.hz = r.hz;
        if (!r.mode.isEmpty())
            merged.mode = r.mode;
    }
    return merged;
}

} // namespace vorad
