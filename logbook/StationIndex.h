#pragma once

#include <vector>

#include <QStringList>
#include <QStringView>

namespace vorad {

// The rows of the logbook by station: callsign (columns 21-30), band (1-5) and mode (6-11),
// each with its spaces removed and compared case by case. The newest row of a station is found
// in constant time, and each row links to the next older one of the same station.
//
// The index holds row numbers only and reads the keys from the lines it is bound to, so a
// contest of 100,000 contacts costs about 20 bytes a contact. The owner tells it of every change,
// after the lines have changed.
class StationIndex
{
public:
    explicit StationIndex(const QStringList& lines);
    StationIndex(const StationIndex&) = delete;
    StationIndex& operator=(const StationIndex&) = delete;

    // The lines were replaced whole.
    void rebuild();
    // One line was added at the end.
    void append();
    // Line `row` was `oldLine` before it was changed.
    void replace(int row, QStringView oldLine);
    // Line `row`, which was `oldLine`, was taken out; the later rows moved down by one.
    void remove(int row, QStringView oldLine);

    // The newest row of the station, -1 if none. The values are compared as given: stripped
    // ones (a value holding a space matches no line).
    int newest(QStringView callsign, QStringView band, QStringView mode) const;
    // The next older row of the same station as `row`, -1 if none.
    int previous(int row) const { return m_previous[static_cast<size_t>(row)]; }

    qsizetype rowCount() const { return static_cast<qsizetype>(m_previous.size()); }
    qsizetype stationCount() const { return m_count; }

    // Calls f(newestRow) once for each station, in no set order.
    template <typename F> void forEachStation(F f) const
    {
        for (const Slot& s : m_slots) {
            if (s.row >= 0)
                f(static_cast<int>(s.row));
        }
    }

    // The three key columns of a line, spaces still in.
    struct Fields
    {
        QStringView callsign;
        QStringView band;
        QStringView mode;
    };
    static Fields fieldsOf(QStringView line);

private:
    struct Slot
    {
        quint32 hash = 0;
        qint32 row = -1; // the station's newest row; -1: free
    };
    // Where line `row` of the index's own numbering stands while the list is a step ahead.
    struct View;

    size_t slotOf(const Fields& f, quint32 hash, const View& view) const;
    void link(int row);
    void unlink(int row, const View& view);
    void eraseSlot(size_t i);
    void grow();

    const QStringList& m_lines;
    std::vector<Slot> m_slots; // open addressing, linear probing; size a power of two
    std::vector<qint32> m_previous; // per row
    qsizetype m_count = 0;
};

} // namespace vorad
