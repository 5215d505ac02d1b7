#pragma once

#include <QList>
#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <array>

#include "BandMode.h"

namespace vorad {

// The model the rig settings start with: a rig control daemon already running on this computer.
inline constexpr int NetRigModel = 2;
inline constexpr int RigSpeedLow = 300;
inline constexpr int RigSpeedHigh = 460800;

// One rig model of the control library's list.
struct RigModel
{
    int number = 0;
    QString maker;
    QString name;
    // "maker name" as the settings list shows it.
    QString caption() const;
};

// By maker, then model; the network daemon's model first, whatever its maker.
void SortRigModels(QList<RigModel>& models);
// The one model known without the control library.
RigModel NetRigModelOnly();

// The mode box's label for a mode the rig reports (the control library's mode names);
// empty for a mode the box has no label for, which leaves the box as it is.
QString ModeForRigMode(QStringView rigMode);
// The rig mode that gives a mode label at `hz` (the sideband follows the band's custom:
// lower below 10 MHz, upper above); empty when the label has no one rig mode (Phone, TV).
QString RigModeForLabel(QStringView label, qint64 hz);
// "14.025 MHz"-style: megahertz with three decimals.
QString MegahertzText(qint64 hz);

// The last frequency used on each band, for the run: where a band key tunes the rig.
class BandMemory
{
public:
    // A reading inside a band becomes that band's frequency.
    void remember(qint64 hz);
    // The band's last frequency, or at first its lower edge plus a little (where a contest
    // usually starts); 0 for a text that is no band.
    qint64 tuneFrequency(QStringView band) const;

private:
    std::array<qint64, std::size(BandTable)> m_last {};
};

// What one reading of the rig changes in the entry row.
struct RigFollowStep
{
    QString band; // empty: the band box stays
    QString mode; // empty: the mode box stays
    QString notice; // a status text to show once; empty: none
};

// Follows only changes of the rig's reading: an operator's own choice that the rig cannot take
// (a mode it does not have, a band it cannot tune) is not undone at every poll.
class RigFollower
{
public:
    // `shownBand` is what the band box shows now (named by the out-of-band notice).
    RigFollowStep take(qint64 hz, QStringView rigMode, const QString& shownBand);
    // The link was made again: its first reading counts as a change.
    void forget();

private:
    bool m_any = false;
    QString m_band; // of the last reading; empty: outside every band
    QString m_mode; // of the last reading, as a label
    bool m_outsideTold = false;
};

// A tune or mode asked of the radio; either may be left out (0 hertz, an empty mode).
struct RigRequest
{
    qint64 hz = 0;
    QString mode;
};

// What the radio is asked for when several requests wait: the newest frequency and the newest
// mode, so that a mode asked for after a band key does not drop the tune.
RigRequest MergedRigRequest(const QList<RigRequest>& waiting);

} // namespace vorad
