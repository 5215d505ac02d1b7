#include "CallHistory.h"

#include <algorithm>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "BandMode.h"
#include "EntryRules.h"
#include "LogLine.h"
#include "StationIndex.h"

namespace vorad {

namespace {

// A call history is a few megabytes; anything far larger is no call history.
constexpr qint64 LargestFile = 64 * 1024 * 1024;

QByteArrayView trimmedBytes(QByteArrayView v)
{
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v = v.sliced(1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r'))
        v.chop(1);
    return v;
}

// Upper case, spaces out; empty when it is no callsign: letters, digits and "/" only, with a
// digit in it.
QString callsignOf(QByteArrayView field)
{
    QString call;
    call.reserve(field.size());
    bool digit = false;
    for (char ch : field) {
        if (ch == ' ' || ch == '\t')
            continue;
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
        if (ch >= '0' && ch <= '9')
            digit = true;
        else if (!((ch >= 'A' && ch <= 'Z') || ch == '/'))
            return {};
        call.append(QLatin1Char(ch));
    }
    return digit && call.size() >= 3 ? call : QString();
}

} // namespace

CallHistory::ReadResult CallHistory::parse(QByteArrayView bytes, int nameLength)
{
    ReadResult result;
    result.read = true;
    m_names.clear();
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        const QByteArrayView line = trimmedBytes(bytes.sliced(start, end - start));
        start = end + 1;
        if (line.isEmpty())
            continue;
        const qsizetype comma = line.indexOf(',');
        if (comma < 0) {
            ++result.skipped;
            continue;
        }
        const QByteArrayView callField = line.first(comma);
        QByteArrayView nameField = line.sliced(comma + 1);
        if (const qsizetype next = nameField.indexOf(','); next >= 0)
            nameField = nameField.first(next);
        nameField = trimmedBytes(nameField);
        if (callField.size() > 2 * LongestCallsign || nameField.size() > LongestNameField) {
            ++result.skipped;
            continue;
        }
        const QString call = callsignOf(callField);
        // Only what the name box takes: no control characters, commas or quotes.
        const QString name = FilterEntryText(QString::fromLatin1(nameField), EntryKind::Name)
                                 .trimmed()
                                 .left(nameLength);
        if (call.isEmpty() || call.size() > LongestCallsign || name.isEmpty()) {
            ++result.skipped;
            continue;
        }
        m_names.insert(call, name);
        ++result.names;
    }
    return result;
}

CallHistory::ReadResult CallHistory::readFile(const QString& path, int nameLength)
{
    m_names.clear();
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > LargestFile || !file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(LargestFile);
    if (file.error() != QFileDevice::NoError)
        return {};
    return parse(bytes, nameLength);
}

QString CallHistoryReadText(const QString& path, const CallHistory::ReadResult& result)
{
    if (!result.read)
        return QStringLiteral("  Call history %1 could not be read - no names from it...")
            .arg(path);
    const QLocale english(QLocale::English);
    QString text = QStringLiteral("  Call history: %1 %2 read")
                       .arg(english.toString(result.names),
                           result.names == 1 ? QStringLiteral("name") : QStringLiteral("names"));
    if (result.skipped > 0)
        text += QStringLiteral(", %1 %2 skipped")
                    .arg(english.toString(result.skipped),
                        result.skipped == 1 ? QStringLiteral("line") : QStringLiteral("lines"));
    return text;
}

QString LastLoggedName(const QStringList& lines, const StationIndex& stations, QStringView callsign)
{
    int best = -1;
    QString name;
    stations.forEachStation([&](int newest) {
        if (newest <= best
            || StationIndex::fieldsOf(lines.at(newest)).callsign.trimmed() != callsign)
            return;
        // The newest contact of this band and mode that has a name.
        for (int row = newest; row > best; row = stations.previous(row)) {
            const QString logged = ParseLogLine(lines.at(row)).name.trimmed();
            if (!logged.isEmpty()) {
                best = row;
                name = logged;
                break;
            }
        }
    });
    return name;
}

QString PartialCheckText(
    const QStringList& lines, const StationIndex& stations, QStringView typed, int most)
{
    const QString part = typed.toString().remove(QLatin1Char(' '));
    if (part.size() < 2 || most <= 0)
        return {};
    struct Match
    {
        QStringView callsign;
        int newest;
        quint32 bands; // bit n: BandTable[n]
    };
    std::vector<Match> matches;
    QHash<QStringView, size_t> byCallsign; // a station is worked on several bands and modes
    stations.forEachStation([&](int newest) {
        const StationIndex::Fields f = StationIndex::fieldsOf(lines.at(newest));
        const QStringView call = f.callsign.trimmed();
        if (!call.contains(part))
            return;
        const int band = BandIndex(f.band);
        const quint32 bit = band >= 0 ? 1u << band : 0u;
        const auto known = byCallsign.constFind(call);
        if (known != byCallsign.cend()) {
            Match& m = matches[*known];
            m.newest = std::max(m.newest, newest);
            m.bands |= bit;
            return;
        }
        byCallsign.insert(call, matches.size());
        matches.push_back({ call, newest, bit });
    });
    const size_t shown = std::min(matches.size(), static_cast<size_t>(most));
    std::partial_sort(matches.begin(), matches.begin() + static_cast<std::ptrdiff_t>(shown),
        matches.end(), [](const Match& a, const Match& b) { return a.newest > b.newest; });
    QString text;
    for (size_t i = 0; i < shown; ++i) {
        if (i > 0)
            text += QLatin1String("   ");
        text += matches[i].callsign;
        for (int band = 0; band < static_cast<int>(std::size(BandTable)); ++band) {
            if (matches[i].bands & (1u << band))
                text += QLatin1Char(' ') + QLatin1String(BandTable[band].label);
        }
    }
    return text;
}

} // namespace vorad
