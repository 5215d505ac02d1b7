#include "CallHistory.h"

#include <algorithm>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include "BandMode.h"
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
    bool digit = false;
    bool plain = true; // already upper case without spaces: taken whole
    for (char ch : field) {
        if (ch >= '0' && ch <= '9')
            digit = true;
        else if (ch == ' ' || ch == '\t' || (ch >= 'a' && ch <= 'z'))
            plain = false;
        else if (!((ch >= 'A' && ch <= 'Z') || ch == '/'))
            return {};
    }
    if (!digit)
        return {};
    QString call;
    if (plain) {
        call = QString::fromLatin1(field);
    } else {
        call.reserve(field.size());
        for (char ch : field) {
            if (ch != ' ' && ch != '\t')
                call.append(QLatin1Char(ch >= 'a' && ch <= 'z' ? ch - 'a' + 'A' : ch));
        }
    }
    return call.size() >= 3 ? call : QString();
}

// Only what the name box takes (as FilterEntryText lets in): no control characters, commas or
// quotes; trimmed, and no longer than the box.
QString nameOf(QByteArrayView field, int nameLength)
{
    const bool plain = std::all_of(field.begin(), field.end(), [](char ch) {
        const auto u = static_cast<unsigned char>(ch);
        return u >= 0x20 && !(u >= 0x7F && u < 0xA0) && ch != ',' && ch != '"';
    });
    QString name;
    if (plain) {
        // The field is trimmed already; only a cut can leave a space at the end.
        name = QString::fromLatin1(field.first(std::min<qsizetype>(field.size(), nameLength)));
        while (name.endsWith(QLatin1Char(' ')))
            name.chop(1);
        return name;
    }
    name.reserve(std::min<qsizetype>(field.size(), nameLength));
    for (char ch : field) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 0x20 || (u >= 0x7F && u < 0xA0) || ch == ',' || ch == '"')
            continue;
        if (name.isEmpty() && ch == ' ')
            continue;
        name.append(QLatin1Char(ch));
    }
    name.truncate(nameLength);
    while (name.endsWith(QLatin1Char(' ')))
        name.chop(1);
    return name;
}

} // namespace

CallHistory::ReadResult CallHistory::parse(QByteArrayView bytes, int nameLength)
{
    ReadResult result;
    result.read = true;
    m_names.clear();
    m_names.reserve(bytes.count('\n') + 1);
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
        const QString name = nameOf(nameField, nameLength);
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
    // Newest first: the log from its end, until enough callsigns are found. A short part finds
    // them in the last few lines; one that nothing holds reads every line once.
    std::vector<QStringView> found;
    for (qsizetype row = lines.size() - 1; row >= 0 && std::ssize(found) < most; --row) {
        const QStringView call = StationIndex::fieldsOf(lines.at(row)).callsign.trimmed();
        if (call.contains(part) && std::find(found.begin(), found.end(), call) == found.end())
            found.push_back(call);
    }
    if (found.empty())
        return {};
    // The bands of each, from the newest row of every station.
    std::vector<quint32> bands(found.size(), 0); // bit n: BandTable[n]
    stations.forEachStation([&](int newest) {
        const StationIndex::Fields f = StationIndex::fieldsOf(lines.at(newest));
        const QStringView call = f.callsign.trimmed();
        for (size_t i = 0; i < found.size(); ++i) {
            if (found[i] == call) {
                if (const int band = BandIndex(f.band); band >= 0)
                    bands[i] |= 1u << band;
                return;
            }
        }
    });
    QString text;
    for (size_t i = 0; i < found.size(); ++i) {
        if (i > 0)
            text += QLatin1String("   ");
        text += found[i];
        for (int band = 0; band < static_cast<int>(std::size(BandTable)); ++band) {
            if (bands[i] & (1u << band))
                text += QLatin1Char(' ') + QLatin1String(BandTable[band].label);
        }
    }
    return text;
}

} // namespace vorad
