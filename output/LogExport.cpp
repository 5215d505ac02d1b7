#include "LogExport.h"

#include <cstdio>

#include <QDir>
#include <QFileInfo>

#include "BandMode.h"
#include "LogFileStore.h"
#include "LogFiles.h"
#include "LogLine.h"
#include "SummarySheet.h"

namespace vorad {

namespace {

// Per band of BandTable: Cabrillo's frequency (the HF band's lower edge in kHz, else the
// designator), its single-band category, and ADIF's band name.
struct BandNames
{
    const char* cabrillo;
    const char* category; // nullptr: Cabrillo has no category for the band alone
    const char* adif;
};

constexpr BandNames BandNameTable[18] = {
    { "1800", "160M", "160m" },
    { "3500", "80M", "80m" },
    { "7000", "40M", "40m" },
    { "10100", nullptr, "30m" },
    { "14000", "20M", "20m" },
    { "18068", nullptr, "17m" },
    { "21000", "15M", "15m" },
    { "24890", nullptr, "12m" },
    { "28000", "10M", "10m" },
    { "50", "6M", "6m" },
    { "144", "2M", "2m" },
    { "432", "432", "70cm" },
    { "1.2G", "1.2G", "23cm" },
    { "2.3G", "2.3G", "13cm" },
    { "3.4G", "3.4G", "9cm" },
    { "5.7G", "5.7G", "6cm" },
    { "10G", "10G", "3cm" },
    { "24G", "24G", "1.25cm" },
};

// Per mode of ModeTable (Phone, AM, FM, SSB, TV, Dgtl, CW); nullptr: the format has no name.
// ADIF names no voice mode for "Phone" and no digital mode for "Dgtl", which does not say which.
constexpr const char* CabrilloModes[7] = { "PH", "PH", "FM", "PH", nullptr, "DG", "CW" };
constexpr const char* AdifModes[7] = { nullptr, "AM", "FM", "SSB", "ATV", nullptr, "CW" };

// ASCII forms of Latin-1 0xC0 to 0xFF.
constexpr const char* LetterForms[64] = { "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E",
    "E", "I", "I", "I", "I", "D", "N", "O", "O", "O", "O", "O", "x", "O", "U", "U", "U", "U", "Y",
    "TH", "ss", "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "?", "o", "u", "u", "u", "u", "y", "th", "y" };

// One contact as the writers need it; kept from line to line so that a walk allocates little.
struct Contact
{
    LogFields f;
    QDate date;
    QTime time;
    int band = -1;
    int mode = -1;
    ReportParts sent; // views into f
    ReportParts received;
};

QString quotedValue(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool isPlainAscii(QStringView text)
{
    for (QChar c : text) {
        if (c.unicode() < 0x21 || c.unicode() > 0x7e)
            return false;
    }
    return true;
}

bool isDigits(QStringView text)
{
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

// The contact of one line, or why the format can not carry it.
bool readContact(QStringView line, ExportFormat format, Contact& c, QString* reason)
{
    LogFields& f = c.f;
    ParseLogLine(line, f);
    if (!ReadLogDate(f.date, &c.date) || !ReadLogTime(f.time, &c.time)) {
        *reason = QStringLiteral("the date %1 or the time %2 does not read")
                      .arg(quotedValue(f.date), quotedValue(f.time));
        return false;
    }
    c.band = BandIndex(f.band);
    if (c.band < 0) {
        *reason
            = QStringLiteral("the band %1 is none of the program's bands").arg(quotedValue(f.band));
        return false;
    }
    c.mode = ModeIndex(f.mode);
    if (c.mode < 0) {
        *reason
            = QStringLiteral("the mode %1 is none of the program's modes").arg(quotedValue(f.mode));
        return false;
    }
    const char* modeName
        = format == ExportFormat::Cabrillo ? CabrilloModes[c.mode] : AdifModes[c.mode];
    if (!modeName) {
        *reason = QStringLiteral("the mode %1 has no name in %2")
                      .arg(quotedValue(f.mode),
                          format == ExportFormat::Cabrillo ? QStringLiteral("Cabrillo")
                                                           : QStringLiteral("ADIF"));
        return false;
    }
    if (f.callsign.isEmpty() || !isPlainAscii(f.callsign)) {
        *reason = f.callsign.isEmpty()
            ? QStringLiteral("the callsign is empty")
            : QStringLiteral("the callsign %1 holds characters the format can not carry")
                  .arg(quotedValue(f.callsign));
        return false;
    }
    const bool cw = f.mode == QLatin1String("CW");
    c.sent = SplitReport(f.rstSent, cw);
    c.received = SplitReport(f.rstReceived, cw);
    // Anything else would shift the fixed columns or lose the serial.
    for (const auto& [report, parts, what] : { std::tuple { &f.rstSent, &c.sent, "sent" },
             { &f.rstReceived, &c.received, "received" } }) {
        if (!isDigits(*report) || parts->signal.size() > 3 || parts->serial.size() > 4) {
            *reason = QStringLiteral("the %1 report %2 does not read as a signal report and serial")
                          .arg(QLatin1String(what), quotedValue(*report));
            return false;
        }
        // Cabrillo's fields are told apart by spaces alone: an empty one moves the rest.
        if (format == ExportFormat::Cabrillo && parts->serial.isEmpty()) {
            *reason = QStringLiteral("the %1 report holds no serial, which Cabrillo needs")
                          .arg(QLatin1String(what));
            return false;
        }
    }
    return true;
}

// Appends the ASCII form of the text (see ToAscii); returns the bytes it took.
qsizetype appendAscii(QByteArray& out, QStringView text)
{
    const qsizetype before = out.size();
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x20 && u < 0x7f)
            out += char(u);
        else if (u == 0xa0)
            out += ' ';
        else if (u >= 0xc0 && u <= 0xff)
            out += LetterForms[u - 0xc0];
        else
            out += '?';
    }
    return out.size() - before;
}

QByteArray ascii(QStringView text)
{
    QByteArray out;
    appendAscii(out, text);
    return out;
}

void appendPadded(QByteArray& out, QStringView text, qsizetype width, bool right)
{
    const qsizetype at = out.size();
    const qsizetype taken = appendAscii(out, text);
    if (taken < width)
        out.insert(right ? at : out.size(), width - taken, ' ');
}

void appendDigits(QByteArray& out, int value, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i, value /= 10)
        digits[i] = char('0' + value % 10);
    out.append(digits, width);
}

void appendDate(QByteArray& out, const QDate& d, const char* separator)
{
    appendDigits(out, d.year(), 4);
    out += separator;
    appendDigits(out, d.month(), 2);
    out += separator;
    appendDigits(out, d.day(), 2);
}

void appendTime(QByteArray& out, const QTime& t)
{
    appendDigits(out, t.hour(), 2);
    appendDigits(out, t.minute(), 2);
}

// The report a serial typed alone stands for in Cabrillo, whose fields are told apart by
// spaces: without it the serial would be read as the report.
QStringView cabrilloSignal(QStringView signal, const Contact& c)
{
    if (!signal.isEmpty())
        return signal;
    return c.f.mode == QLatin1String("CW") ? u"599" : u"59";
}

// One QSO line in the usual columns of a serial-number exchange:
// QSO: freq  mo date       time call          rst exch   call          rst exch
void appendCabrilloQso(QByteArray& out, const Contact& c, const QString& own)
{
    out += "QSO: ";
    appendPadded(out, QString::fromLatin1(BandNameTable[c.band].cabrillo), 5, true);
    out += ' ';
    out += CabrilloModes[c.mode];
    out += ' ';
    appendDate(out, c.date, "-");
    out += ' ';
    appendTime(out, c.time);
    out += ' ';
    appendPadded(out, own, 13, false);
    out += ' ';
    appendPadded(out, cabrilloSignal(c.sent.signal, c), 3, true);
    out += ' ';
    appendPadded(out, c.sent.serial, 6, false);
    out += ' ';
    appendPadded(out, c.f.callsign, 13, false);
    out += ' ';
    appendPadded(out, cabrilloSignal(c.received.signal, c), 3, true);
    out += ' ';
    appendPadded(out, c.received.serial, 6, false);
    while (out.endsWith(' '))
        out.chop(1);
    out += "\r\n";
}

void appendAdifField(QByteArray& out, const char* name, QStringView value)
{
    if (value.isEmpty())
        return;
    out += '<';
    out += name;
    out += ':';
    const qsizetype lengthAt = out.size();
    out += '>';
    // The length counts the bytes written, which an accented letter's form may make more.
    const qsizetype taken = appendAscii(out, value);
    char digits[24];
    const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(taken));
    out.insert(lengthAt, QByteArrayView(digits, n));
    out += ' ';
}

// An ADIF Integer: the serial's digits without leading zeros.
QStringView serialNumber(QStringView serial)
{
    while (serial.size() > 1 && serial.front() == QLatin1Char('0'))
        serial = serial.mid(1);
    return serial;
}

void appendAdifRecord(QByteArray& out, const Contact& c, const QString& own)
{
    appendAdifField(out, "CALL", c.f.callsign);
    out += "<QSO_DATE:8>";
    appendDate(out, c.date, "");
    out += " <TIME_ON:4>";
    appendTime(out, c.time);
    out += ' ';
    appendAdifField(out, "BAND", QString::fromLatin1(BandNameTable[c.band].adif));
    appendAdifField(out, "MODE", QString::fromLatin1(AdifModes[c.mode]));
    appendAdifField(out, "RST_SENT", c.sent.signal);
    appendAdifField(out, "RST_RCVD", c.received.signal);
    appendAdifField(out, "STX", serialNumber(c.sent.serial));
    appendAdifField(out, "SRX", serialNumber(c.received.serial));
    appendAdifField(out, "NAME", c.f.name);
    appendAdifField(out, "STATION_CALLSIGN", own);
    appendAdifField(out, "CONTEST_ID", ExportContestId);
    out += "<EOR>\r\n";
}

QString sheetValue(const QString& text)
{
    // The settings dialog's placeholder is no name or address.
    return text.startsWith(QLatin1Char('<')) ? QString() : text.trimmed();
}

// Cabrillo's ADDRESS lines hold 45 characters each.
QStringList addressLines(const QString& address)
{
    QStringList out;
    QString line;
    for (const QString& word : ToAscii(address).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && line.size() + 1 + word.size() > 45) {
            out.append(line);
            line.clear();
        }
        // A word longer than a line is carried on in the next, never cut off.
        for (qsizetype at = 0; at < word.size(); at += 45) {
            if (at > 0) {
                out.append(line);
                line.clear();
            }
            line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word.mid(at, 45);
        }
    }
    if (!line.isEmpty() || out.isEmpty())
        out.append(line);
    return out; // past six lines (270 characters) the address is kept whole all the same
}

QByteArray headerLine(const char* tag, const QString& value)
{
    QByteArray out(tag);
    out += ": ";
    out += ascii(value);
    while (out.endsWith(' '))
        out.chop(1);
    out += "\r\n";
    return out;
}

// One pass over the lines: what is written and what is not; the category lines need it first.
struct Survey
{
    unsigned bands = 0; // bit per band index written
    unsigned modes = 0; // bit per mode index written
};

QString categoryBand(unsigned bands)
{
    for (int i = 0; i < 18; ++i) {
        if (bands == (1u << i) && BandNameTable[i].category)
            return QString::fromLatin1(BandNameTable[i].category);
    }
    return QStringLiteral("ALL");
}

QString categoryMode(unsigned modes, const QString& section)
{
    QByteArray names; // the distinct Cabrillo modes written
    for (int m = 0; m < 7; ++m) {
        if ((modes & (1u << m)) && CabrilloModes[m] && !names.contains(CabrilloModes[m]))
            names += CabrilloModes[m];
    }
    if (names.isEmpty())
        return section.contains(QLatin1String("CW only")) ? QStringLiteral("CW")
                                                          : QStringLiteral("MIXED");
    if (names == "PH")
        return QStringLiteral("SSB");
    if (names == "FM" || names == "CW")
        return QString::fromLatin1(names);
    if (names == "DG")
        return QStringLiteral("DIGI");
    return QStringLiteral("MIXED");
}

} // namespace

QString ToAscii(QStringView text)
{
    return QString::fromLatin1(ascii(text));
}

QString ExportFileName(const QString& logFileName, ExportFormat format)
{
    const QFileInfo log(logFileName);
    const QString extension
        = format == ExportFormat::Cabrillo ? QStringLiteral(".cbr") : QStringLiteral(".adi");
    QString base = log.completeBaseName();
    if (base.isEmpty())
        base = QStringLiteral("QZVHF");
    return log.dir().filePath(base + extension);
}

QString ExportTargetRefusal(const QString& path, const QStringList& contactFiles)
{
    const QFileInfo target(path);
    const QString suffix = target.suffix().toUpper();
    // .NEW is the name a logbook's own rewrite passes through.
    if (suffix == QLatin1String("LOG") || suffix == QLatin1String("BAK")
        || suffix == QLatin1String("NEW"))
        return QStringLiteral("a name ending in .LOG, .BAK or .NEW is kept for logbooks");
    if (suffix == QLatin1String("LOCK"))
        return QStringLiteral("a name ending in .lock is kept for the logbook's lock");
    if (IsOneOfFiles(path, contactFiles))
        return QStringLiteral("that file holds the logbook's contacts");
    return {};
}

ExportResult ExportLog(ExportFormat format, const QString& path, const QStringList& lines,
    const ExportStation& station, LogFileStore& store)
{
    ExportResult result;
    // A space (the settings file takes one) would split the callsign's field in two.
    const QString own = StripSpaces(
        isPlainAscii(station.callsign) ? station.callsign : ToAscii(station.callsign));

    Survey survey;
    if (format == ExportFormat::Cabrillo) {
        Contact c;
        QString reason;
        for (const QString& line : lines) {
            if (readContact(line, format, c, &reason)) {
                survey.bands |= 1u << c.band;
                survey.modes |= 1u << c.mode;
            }
        }
    }

    LogFileStore::StreamedFile file(store, path);
    if (!file.open(&result.error))
        return result;

    if (format == ExportFormat::Cabrillo) {
        QByteArray head = headerLine("START-OF-LOG", QStringLiteral("3.0"));
        head += headerLine("CONTEST", ExportContestId);
        head += headerLine("CALLSIGN", own);
        head += headerLine("CATEGORY-OPERATOR",
            station.category.contains(QLatin1String("Multi"), Qt::CaseInsensitive)
                ? QStringLiteral("MULTI-OP")
                : QStringLiteral("SINGLE-OP"));
        head += headerLine("CATEGORY-BAND", categoryBand(survey.bands));
        if (station.section.contains(QLatin1String("Receiving")))
            head += headerLine("CATEGORY-TRANSMITTER", QStringLiteral("SWL"));
        head += headerLine("CATEGORY-MODE", categoryMode(survey.modes, station.section));
        head += headerLine("CLAIMED-SCORE", QString::number(station.claimedScore));
        head += headerLine("NAME", sheetValue(station.name));
        for (const QString& a : addressLines(sheetValue(station.address)))
            head += headerLine("ADDRESS", a);
        head += headerLine("CREATED-BY", QStringLiteral("VORAD 1.50"));
        file.write(head);
    } else {
        QByteArray head = "Kestrelwood Cup log of ";
        head += ascii(own).replace('<', '?');
        head += ", exported by VORAD 1.50\r\n";
        auto field = [&head](const char* name, const QString& value) {
            appendAdifField(head, name, value);
            if (head.endsWith(' ')) // an empty value writes no field
                head.chop(1);
            if (!head.endsWith('\n'))
                head += "\r\n";
        };
        field("ADIF_VER", QStringLiteral("3.1.6"));
        field("PROGRAMID", QStringLiteral("VORAD"));
        field("PROGRAMVERSION", QStringLiteral("1.50"));
        field("CREATED_TIMESTAMP",
            station.created.toUTC().toString(QStringLiteral("yyyyMMdd HHmmss")));
        head += "<EOH>\r\n";
        file.write(head);
    }

    QByteArray out;
    Contact c;
    QString reason;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!readContact(lines.at(i), format, c, &reason)) {
            result.skipped.append({ int(i + 1), reason });
            continue;
        }
        out.resize(0); // keeps its buffer from line to line
        if (format == ExportFormat::Cabrillo)
            appendCabrilloQso(out, c, own);
        else
            appendAdifRecord(out, c, own);
        if (c.sent.signal.isEmpty() || c.received.signal.isEmpty())
            ++result.withoutSignalReport;
        ++result.contacts;
        file.write(out);
    }
    if (format == ExportFormat::Cabrillo)
        file.write("END-OF-LOG:\r\n");
    result.written = file.commit(&result.error);
    return result;
}

} // namespace vorad
