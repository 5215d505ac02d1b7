#pragma once

#include <deque>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "SummarySheet.h"

namespace vorad {

struct ContestSettings;
class StationIndex;

// One thing in the logbook or the settings that would cost points or confuse the contest
// manager.
struct LogFinding
{
    enum Kind {
        OutsideWindow,
        Repeat,
        SameCallArea,
        Points,
        PointsTotal,
        DateTime,
        Serial,
        Callsign,
        BandMode,
        MissingSetting,
        Category, // against the bands logged
        Report, // the received one
        Name,
    };
    int lineNumber = 0; // 1-based line of the log list; 0 for the log or the settings as a whole
    Kind kind = Points;
    QString text;
};

// Findings in the order found. A log of a million lines may give as many findings: their texts
// are kept as Latin-1 in one buffer, about 60 bytes a finding, and made into a finding when
// asked for.
class LogFindings
{
public:
    void append(int lineNumber, LogFinding::Kind kind, QStringView text);
    void append(const LogFinding& f) { append(f.lineNumber, f.kind, f.text); }

    qsizetype size() const { return qsizetype(m_entries.size()); }
    bool isEmpty() const { return m_entries.empty(); }
    LogFinding at(qsizetype i) const;
    LogFinding operator[](qsizetype i) const { return at(i); }
    int lineNumber(qsizetype i) const { return m_entries[size_t(i)].lineNumber; }

    class const_iterator
    {
    public:
        const_iterator(const LogFindings* findings, qsizetype i)
            : m_findings(findings)
            , m_i(i)
        { }
        LogFinding operator*() const { return m_findings->at(m_i); }
        const_iterator& operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return m_i != other.m_i; }

    private:
        const LogFindings* m_findings;
        qsizetype m_i;
    };
    const_iterator begin() const { return { this, 0 }; }
    const_iterator end() const { return { this, size() }; }

private:
    struct Entry
    {
        qint32 lineNumber;
        qint32 kind;
        qsizetype start; // in m_text; the text ends where the next begins
    };
    std::deque<Entry> m_entries; // grows by blocks: no copy of them all at twice the size
    QByteArray m_text;
};

// Checks every line against the contest's rules as the entry rules apply them, and the
// settings the summary sheet needs. `localOffsetSeconds` (local = UTC + it) places each contact
// in the local night for the early-morning doubling. Findings come in line order, those about
// the whole log and the settings last. Time and memory grow with the log in step.
LogFindings CheckLog(const QStringList& lines, const ContestSettings& settings,
    const SheetFields& sheet, int localOffsetSeconds);
// The same with the lines' station index, which the logbook keeps in step. When the logbook
// file could not be read whole (`wholeLog` false), the lines are only the contacts made since.
LogFindings CheckLog(const QStringList& lines, const StationIndex& stations,
    const ContestSettings& settings, const SheetFields& sheet, int localOffsetSeconds,
    bool wholeLog = true);

// What the check window shows for a finding, and for none.
QString FindingRowText(const LogFinding& finding);
QString NoFindingsText(qsizetype contacts);

} // namespace vorad
