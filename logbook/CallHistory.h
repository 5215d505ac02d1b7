#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace vorad {

class StationIndex;

// Names by callsign from a file the operator keeps: one "CALLSIGN,NAME" a line, Latin-1, CR LF
// or LF. Further fields on a line are ignored; for a callsign given twice the last line wins.
class CallHistory
{
public:
    // Longer fields are no callsign or name: such a line is skipped.
    static constexpr int LongestCallsign = 10;
    static constexpr int LongestNameField = 32;

    struct ReadResult
    {
        bool read = false; // false: the file could not be read (missing, a folder, too large)
        qsizetype names = 0; // lines that gave a name
        qsizetype skipped = 0; // lines that did not read (blank lines are not counted)
    };

    // The names of `bytes`, in place of those held; each cut to `nameLength` characters of
    // what the name box takes.
    ReadResult parse(QByteArrayView bytes, int nameLength);
    // The file at `path`; a file that cannot be read leaves the history empty.
    ReadResult readFile(const QString& path, int nameLength);
    void clear() { m_names.clear(); }

    // The name for a callsign as the entry row holds it (upper case, no spaces); empty if none.
    QString name(const QString& callsign) const { return m_names.value(callsign); }
    qsizetype size() const { return m_names.size(); }

private:
    QHash<QString, QString> m_names;
};

// The status text telling what reading the file at `path` gave.
QString CallHistoryReadText(const QString& path, const CallHistory::ReadResult& result);

// The name last logged with `callsign`, on any band and mode: from the newest contact with the
// station that has a name. Empty if none.
QString LastLoggedName(
    const QStringList& lines, const StationIndex& stations, QStringView callsign);

// The partial check: the logged callsigns that contain `typed`, newest contact first, at most
// `most` of them, each with the bands it was worked on in the band table's order:
// "VK3ABC 2m 70cm   VK3ABD 20m". Empty under two characters.
QString PartialCheckText(
    const QStringList& lines, const StationIndex& stations, QStringView typed, int most = 8);

} // namespace vorad
