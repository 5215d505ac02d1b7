#include "DupeSummary.h"

#include "BandMode.h"
#include "EntryRules.h"
#include "LogLine.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>
#include <vector>

namespace vorad {

namespace {

// The column cuts of the log line (as the column reader uses them).
QStringView cut(QStringView line, qsizetype start, qsizetype width)
{
    return LogLineColumns(line, start, width);
}

QStringView bandOf(QStringView line)
{
    return cut(line, 0, 5);
}
QStringView modeOf(QStringView line)
{
    return cut(line, 5, 6);
}
QStringView timeOf(QStringView line)
{
    return cut(line, 51, 5);
}
QStringView dateOf(QStringView line)
{
    return cut(line, 60, 10);
}

void appendStrippedPadded(QString& out, QStringView text, qsizetype width)
{
    qsizetype n = 0;
    for (QChar c : text) {
        if (c != QLatin1Char(' ')) {
            out += c;
            ++n;
        }
    }
    if (n < width)
        out.append(QString(width - n, QLatin1Char(' ')));
}

void appendPadded(QString& out, int value, qsizetype width)
{
    const QString digits = QString::number(value);
    out += digits;
    if (digits.size() < width)
        out.append(QString(width - digits.size(), QLatin1Char(' ')));
}

// A settings file can hold any number; a year of hours is far beyond any contest.
constexpr int MaxRepeatHours = 24 * 366;

} // namespace

QString DupeEntry(QStringView line)
{
    QString out;
    out.reserve(24);
    appendStrippedPadded(out, cut(line, 20, 10), 7);
    out += QLatin1Char(' ');
    appendStrippedPadded(out, bandOf(line), 5);
    out += QLatin1Char(' ');
    appendStrippedPadded(out, modeOf(line), 0);
    return out;
}

DupeLists BuildDupeLists(const QStringList& lines, QStringView nowDate, QStringView nowTime,
    const QDateTime& finishUtc, int repeatHours, bool outsideContestWindow)
{
    const qint64 r = qint64(std::clamp(repeatHours, 0, MaxRepeatHours)) * 3600;

    // Time left to the finish, negative after it. When the finish or "now" does not read, the
    // end of the contest is unknown and nothing is held back for it.
    qint64 left = std::numeric_limits<int>::max();
    if (finishUtc.isValid()) {
        const QString finish = FormatClock(finishUtc);
        const Elapsed e = ElapsedSeconds(
            nowDate, nowTime, QStringView(finish).mid(9, 10), QStringView(finish).left(8));
        if (e.valid)
            left = e.seconds;
    }

    const LogMoment now = ReadMoment(nowDate, nowTime);
    DupeLists out;
    // Membership by set; the lists keep the order.
    QSet<QString> allowedSet;
    allowedSet.reserve(lines.size());
    std::vector<QString> entries(size_t(lines.size()));

    // A line whose date or time does not read cannot be placed in time: it is left out of the
    // allowed list, and the wait pass steps over it without stopping, since the older lines
    // behind it may still be inside the interval.
    if (!outsideContestWindow) {
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString& line = lines.at(i);
            const Elapsed e = ElapsedSeconds(ReadMoment(dateOf(line), timeOf(line)), now);
            if (!e.valid || e.seconds <= r || e.seconds + left <= r)
                continue;
            QString entry = DupeEntry(line);
            if (!allowedSet.contains(entry)) {
                allowedSet.insert(entry);
                out.allowed.append(entry);
            }
            entries[size_t(i)] = std::move(entry);
        }
    }

    QSet<QString> removedFromAllowed;
    // Wait rows with a flag for those taken out again, and per entry the rows still in.
    std::vector<std::pair<QString, bool>> wait;
    QHash<QString, QList<qsizetype>> waitRows;
    const QStringView nowMinute = nowTime.left(5);
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        const QString& line = lines.at(i);
        qint64 elapsed = 0;
        if (timeOf(line) == nowMinute && dateOf(line) == nowDate) {
            elapsed = 1; // logged in the current minute
        } else {
            const Elapsed e = ElapsedSeconds(ReadMoment(dateOf(line), timeOf(line)), now);
            if (!e.valid)
                continue;
            elapsed = e.seconds;
        }
        QString entry = entries[size_t(i)].isEmpty() ? DupeEntry(line) : entries[size_t(i)];
        const bool inside = elapsed > 0 && elapsed < r;
        if (inside) {
            if (allowedSet.contains(entry))
                removedFromAllowed.insert(entry);
            waitRows[entry].append(qsizetype(wait.size()));
            wait.emplace_back(entry, true);
        }
        if (left + elapsed < r) {
            // Not workable again before the finish: not shown at all.
            const auto it = waitRows.find(entry);
            if (it != waitRows.end() && !it->isEmpty())
                wait[size_t(it->takeFirst())].second = false;
        }
        if (!inside)
            break; // older lines are all outside the interval
    }

    if (!removedFromAllowed.isEmpty()) {
        out.allowed.removeIf(
            [&](const QString& entry) { return removedFromAllowed.contains(entry); });
    }
    for (auto& [entry, kept] : wait) {
        if (kept)
            out.wait.append(std::move(entry));
    }
    return out;
}

int DupeVisibleRows(int listHeight, int itemHeight, int textHeight)
{
    const qint64 step = qint64(qMax(itemHeight, 0)) * 25 / 10;
    if (step <= 0)
        return 1; // nothing drawn
    const int rows = int(qMax(listHeight, 0) / step + 1);
    // The text grows with the window while the item height stays: the rows drawn are those
    // whose text ends inside the list.
    int fit = 0;
    while (fit < rows - 1
        && qint64(DupeRowTop(fit, itemHeight, textHeight)) + qMax(textHeight, 0) <= listHeight)
        ++fit;
    return fit + 1;
}

int DupeRowTop(int index, int itemHeight, int textHeight)
{
    return index * itemHeight + index * (textHeight + 2) / 2;
}

int SummaryVisibleRows(int listHeight, int itemHeight)
{
    if (itemHeight <= 0)
        return 0;
    return qMax(listHeight, 0) / itemHeight;
}

bool TurnDrum(QStringList& hidden, int rows)
{
    if (hidden.size() <= qsizetype(rows) - 1 || hidden.isEmpty())
        return false;
    hidden.prepend(hidden.takeLast());
    return true;
}

QStringList VisibleEntries(const QStringList& hidden, int rows)
{
    return hidden.mid(0, qMax(rows, 0));
}

std::array<BandTally, 18> TallyBands(const QStringList& lines, qint64* runningTotal)
{
    std::array<BandTally, 18> tally {};
    qint64 total = 0;
    const int fm = ModeIndex(u"FM"), ssb = ModeIndex(u"SSB"), cw = ModeIndex(u"CW");
    for (const QString& line : lines) {
        // The whole points field is read, as everywhere else in this program, so a contact of
        // two-digit points is not counted as its first digit. A field that does not read is 0.
        int points = 0;
        if (!PointsValue(LogLinePoints(line), &points))
            points = 0;
        total += points;
        // A band or mode not in the tables (a hand-edited file) has no row or column: such a
        // line counts towards the total only, like the modes without a column.
        const int band = BandIndex(bandOf(line));
        if (band < 0)
            continue;
        const int mode = ModeIndex(modeOf(line));
        BandTally& row = tally[size_t(band)];
        if (mode == fm)
            row.fm += points;
        else if (mode == ssb)
            row.ssb += points;
        else if (mode == cw)
            row.cw += points;
        else
            continue;
        ++row.qso;
    }
    if (runningTotal)
        *runningTotal = total;
    return tally;
}

QStringList SummaryRows(const std::array<BandTally, 18>& tally)
{
    QStringList rows;
    for (size_t i = 0; i < tally.size(); ++i) {
        const BandTally& t = tally[i];
        if (t.qso == 0 && t.fm == 0 && t.ssb == 0 && t.cw == 0)
            continue;
        QString row = QString::fromLatin1(BandTable[i].label);
        row.append(QString(9 - row.size(), QLatin1Char(' ')));
        appendPadded(row, t.qso, 5);
        appendPadded(row, t.fm, 5);
        appendPadded(row, t.ssb, 5);
        row += QString::number(t.cw);
        rows.append(row);
    }
    return rows;
}

char ArrangeDisplays(DisplayTicks& ticks)
{
    char side = '\0';
    if (!ticks.dupe) {
        side = 'R';
        ticks.fullScreen = false;
    }
    if (!ticks.summary) {
        side = 'L';
        ticks.fullScreen = false;
    }
    if (!ticks.dupe && !ticks.summary) {
        side = '\0'; // both panels gone: the log has the space, no clock
        ticks.fullScreen = true;
    }
    return side;
}

char ToggleDupe(DisplayTicks& ticks)
{
    ticks.dupe = !ticks.dupe;
    return ArrangeDisplays(ticks);
}

char ToggleSummary(DisplayTicks& ticks)
{
    ticks.summary = !ticks.summary;
    return ArrangeDisplays(ticks);
}

char ToggleLogBookFullScreen(DisplayTicks& ticks)
{
    ticks.fullScreen = !ticks.fullScreen;
    // Both toggles invert these: full screen on hides both panels, off shows both.
    ticks.dupe = ticks.fullScreen;
    ticks.summary = ticks.fullScreen;
    ToggleDupe(ticks);
    return ToggleSummary(ticks);
}

} // namespace vorad
