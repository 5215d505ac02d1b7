#include "StationIndex.h"

#include "LogLine.h"

namespace vorad {

namespace {

bool containsSpace(QStringView text)
{
    return text.contains(QLatin1Char(' '));
}

// The two texts are equal once their spaces are removed.
bool strippedEqual(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    for (;;) {
        while (i < a.size() && a[i] == QLatin1Char(' '))
            ++i;
        while (j < b.size() && b[j] == QLatin1Char(' '))
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a[i] != b[j])
            return false;
        ++i;
        ++j;
    }
}

bool sameStation(const StationIndex::Fields& a, const StationIndex::Fields& b)
{
    return strippedEqual(a.callsign, b.callsign) && strippedEqual(a.band, b.band)
        && strippedEqual(a.mode, b.mode);
}

// FNV-1a over the characters without spaces; a value no character has ends each field, so
// ("AB", "C") and ("A", "BC") differ.
quint32 hashField(quint32 h, QStringView text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' '))
            h = (h ^ c.unicode()) * 16777619u;
    }
    return (h ^ 0x10000u) * 16777619u;
}

quint32 hashOf(const StationIndex::Fields& f)
{
    quint32 h = hashField(hashField(hashField(2166136261u, f.callsign), f.band), f.mode);
    // FNV's low bits mix poorly, and the table is indexed by them.
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    return h;
}

constexpr size_t MinSlots = 16;

} // namespace

// A line as the index numbers it: the list may already hold the change being told.
struct StationIndex::View
{
    explicit View(
        const QStringList& all, int changed = -1, QStringView old = {}, bool taken = false)
        : lines(all)
        , changedRow(changed)
        , oldLine(old)
        , removed(taken)
    { }

    const QStringList& lines;
    int changedRow;
    QStringView oldLine;
    bool removed;

    QStringView at(int row) const
    {
        if (row == changedRow)
            return oldLine;
        return lines.at(removed && changedRow >= 0 && row > changedRow ? row - 1 : row);
    }
};

StationIndex::StationIndex(const QStringList& lines)
    : m_lines(lines)
    , m_slots(MinSlots)
{ }

StationIndex::Fields StationIndex::fieldsOf(QStringView line)
{
    return { LogLineColumns(line, 20, 10), LogLineColumns(line, 0, 5), LogLineColumns(line, 5, 6) };
}

void StationIndex::rebuild()
{
    const size_t rows = static_cast<size_t>(m_lines.size());
    size_t slots = MinSlots;
    while (slots < 2 * rows)
        slots *= 2;
    m_slots.assign(slots, Slot());
    m_previous.clear();
    m_previous.reserve(rows);
    m_count = 0;
    for (size_t row = 0; row < rows; ++row) {
        m_previous.push_back(-1);
        link(static_cast<int>(row));
    }
}

void StationIndex::append()
{
    m_previous.push_back(-1);
    link(static_cast<int>(m_previous.size() - 1));
}

void StationIndex::replace(int row, QStringView oldLine)
{
    unlink(row, View(m_lines, row, oldLine));
    link(row);
}

void StationIndex::remove(int row, QStringView oldLine)
{
    unlink(row, View(m_lines, row, oldLine, true));
    // Every later row moves down by one; the order within each station stays.
    m_previous.erase(m_previous.begin() + row);
    for (qint32& p : m_previous) {
        if (p > row)
            --p;
    }
    for (Slot& s : m_slots) {
        if (s.row > row)
            --s.row;
    }
}

int StationIndex::newest(QStringView callsign, QStringView band, QStringView mode) const
{
    if (containsSpace(callsign) || containsSpace(band) || containsSpace(mode))
        return -1;
    const Fields f { callsign, band, mode };
    return m_slots[slotOf(f, hashOf(f), View(m_lines))].row;
}

size_t StationIndex::slotOf(const Fields& f, quint32 hash, const View& view) const
{
    const size_t mask = m_slots.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = m_slots[i];
        if (s.row < 0 || (s.hash == hash && sameStation(fieldsOf(view.at(s.row)), f)))
            return i;
    }
}

void StationIndex::link(int row)
{
    const Fields f = fieldsOf(m_lines.at(row));
    const quint32 hash = hashOf(f);
    const size_t i = slotOf(f, hash, View(m_lines));
    Slot& s = m_slots[i];
    qint32& older = m_previous[static_cast<size_t>(row)];
    if (s.row < 0) {
        s = { hash, row };
        older = -1;
        if (static_cast<size_t>(++m_count) * 2 > m_slots.size())
            grow();
    } else if (row > s.row) {
        older = s.row;
        s.row = row;
    } else {
        // A changed older line: its place in the chain, newest first.
        qint32 at = s.row;
        while (m_previous[static_cast<size_t>(at)] > row)
            at = m_previous[static_cast<size_t>(at)];
        older = m_previous[static_cast<size_t>(at)];
        m_previous[static_cast<size_t>(at)] = row;
    }
}

void StationIndex::unlink(int row, const View& view)
{
    const Fields f = fieldsOf(view.at(row));
    const size_t i = slotOf(f, hashOf(f), view);
    const qint32 older = m_previous[static_cast<size_t>(row)];
    if (m_slots[i].row == row) {
        if (older >= 0) {
            m_slots[i].row = older;
        } else {
            eraseSlot(i);
            --m_count;
        }
    } else {
        qint32 at = m_slots[i].row;
        while (m_previous[static_cast<size_t>(at)] != row)
            at = m_previous[static_cast<size_t>(at)];
        m_previous[static_cast<size_t>(at)] = older;
    }
    m_previous[static_cast<size_t>(row)] = -1;
}

void StationIndex::eraseSlot(size_t i)
{
    // Backward shift: every later entry of the probe run that may move up does, so no lookup
    // ever stops at the hole.
    const size_t mask = m_slots.size() - 1;
    for (size_t j = (i + 1) & mask; m_slots[j].row >= 0; j = (j + 1) & mask) {
        const size_t home = m_slots[j].hash & mask;
        const bool stays = i <= j ? (i < home && home <= j) : (i < home || home <= j);
        if (!stays) {
            m_slots[i] = m_slots[j];
            i = j;
        }
    }
    m_slots[i] = Slot();
}

void StationIndex::grow()
{
    std::vector<Slot> old(m_slots.size() * 2);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const Slot& s : old) {
        if (s.row < 0)
            continue;
        size_t i = s.hash & mask;
        while (m_slots[i].row >= 0)
            i = (i + 1) & mask;
        m_slots[i] = s;
    }
}

} // namespace vorad
