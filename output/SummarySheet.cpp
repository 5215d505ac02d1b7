#include "SummarySheet.h"

#include "LogFileStore.h"
#include <QDir>

#include "LogLine.h"
#include "PageTotals.h"

namespace vorad {

namespace {

// Long enough that the whole log is one page.
constexpr int EmailLinesPerPage = 32760;

QStringView columns(QStringView line, int firstColumn, int lastColumn)
{
    return LogLineColumns(line, firstColumn - 1, lastColumn - firstColumn + 1);
}

} // namespace

const QString EmailRefusalText
    = QStringLiteral(" You can not email the log without filling in your name and  \r"
                     " address detail for the summary sheet. Please complete  \r"
                     " these boxes in \"Options..Settings\" and then try email. ");
const QString EmailAttentionText
    = QStringLiteral(" Please check your log below, make sure your email settings  \r"
                     " are correctly filled out and then click on \"Send\" to submit \r"
                     " your log by email to the contest manager. ");
const QString PrintRefusalText
    = QStringLiteral(" You can not print without filling in your name and  \r"
                     " address detail for the summary sheet. Please complete  \r"
                     " these boxes in \"Options..Settings\" and print again. ");

bool SheetDetailsMissing(const QString& name, const QString& address)
{
    return name.startsWith(QLatin1Char('<')) || address.startsWith(QLatin1Char('<'));
}

QStringList SummarySheetLines(const SheetFields& f, qint64 totalScore)
{
    return {
        QStringLiteral("  ******************************************"),
        QStringLiteral("  *    Kestrelwood Cup Contest Log Book    *"),
        QStringLiteral("  *             Summary Sheet              *"),
        QStringLiteral("  ******************************************"),
        QStringLiteral("  Kestrelwood Cup Contest ") + QString::number(f.year),
        QString(),
        QString(),
        QStringLiteral("  Callsign:   ") + f.callsign,
        QStringLiteral("  Name    :   ") + f.name,
        QStringLiteral("  Address :   ") + f.address,
        QStringLiteral("  Category:   ") + f.category,
        QStringLiteral("  Section :   ") + f.section,
        QString(),
        QStringLiteral("  Total Score:  ") + QString::number(totalScore)
            + QStringLiteral(" points."),
        QString(),
        QString(),
        QStringLiteral("  Declaration: "),
        QStringLiteral("  I hereby certify that I have operated in accordance with"),
        QStringLiteral("  the rules and spirit of the contest."),
        QString(),
        QStringLiteral("  Signed :  ") + f.name,
        QStringLiteral("  Date   :  ") + f.date,
    };
}

QString LogLineToCsv(QStringView line)
{
    QString csv;
    csv.reserve(64);
    csv += columns(line, 64, 65);
    csv += QLatin1Char('/');
    csv += columns(line, 61, 62);
    csv += QLatin1Char('/');
    csv += columns(line, 67, 70);
    auto field = [&csv](QStringView text) {
        csv += QLatin1Char(',');
        for (QChar c : text) {
            if (c != QLatin1Char(' '))
                csv += c;
        }
    };
    field(columns(line, 52, 56));
    field(columns(line, 1, 5));
    field(columns(line, 6, 11));
    field(columns(line, 21, 30));
    field(columns(line, 12, 18)); // a CW report with a four-digit serial starts in 12
    field(columns(line, 43, 48));
    // Doubled points may have two digits: the whole points text is kept.
    field(LogLinePoints(line));
    field(columns(line, 33, 42));
    return csv;
}

QString BandCategory(const QStringList& lines)
{
    static const char* const hf[]
        = { "160m", "80m", "40m", "30m", "20m", "17m", "15m", "12m", "10m" };
    static const char* const vhf[]
        = { "6m", "2m", "70cm", "23cm", "13cm", "9cm", "6cm", "3cm", "1cm" };
    bool seenHf = false;
    bool seenVhf = false;
    // Read at every start and every title: the band column without its spaces, in place.
    char16_t buffer[5];
    for (const QString& line : lines) {
        qsizetype length = 0;
        for (QChar c : columns(line, 1, 5)) {
            if (c != QLatin1Char(' '))
                buffer[length++] = c.unicode();
        }
        const QStringView band(buffer, length);
        for (const char* b : hf)
            seenHf = seenHf || band == QLatin1String(b);
        for (const char* b : vhf)
            seenVhf = seenVhf || band == QLatin1String(b);
        if (seenHf && seenVhf) // nothing more can change the answer
            break;
    }
    if (seenHf == seenVhf)
        return QStringLiteral("Open");
    return seenHf ? QStringLiteral("HF") : QStringLiteral("VHF");
}

QString CsvFilePath(const QString& folder, const QString& callsign, const QString& bandCategory)
{
    // A portable call (VK3ABC/P) must name a file, never a folder.
    QString name = callsign;
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c.isNull())
            c = QLatin1Char('-');
    }
    return QDir::toNativeSeparators(folder) + QDir::separator() + name + QLatin1Char('_')
        + bandCategory + QLatin1String(".CSV");
}

EmailBuild BuildEmailSummary(
    const SheetFields& fields, const QStringList& lines, EmailContent& content, QString* error)
{
    if (SheetDetailsMissing(fields.name, fields.address))
        return EmailBuild::Refused;
    content = EmailContent();
    content.status = QStringLiteral("     Generating Log to email to contest manager...");
    PageTotals totals;
    if (!ComputePageTotals(lines, EmailLinesPerPage, totals, error))
        return EmailBuild::Failed;
    content.message = SummarySheetLines(fields, totals.sum());
    content.attachment.reserve(lines.size());
    for (const QString& line : lines)
        content.attachment.append(LogLineToCsv(line));
    return EmailBuild::Done;
}

bool WriteCsvFile(
    const QString& path, const QStringList& lines, QString* error, LogFileStore* store)
{
    LogFileStore own;
    LogFileStore::StreamedFile file(store ? *store : own, path);
    QString why;
    if (file.open(&why)) {
        for (const QString& line : lines) {
            file.write(line.toLatin1());
            file.write("\r\n");
        }
        if (file.commit(&why))
            return true;
    }
    *error = QStringLiteral(" The log file for the e-mail could not be written: \r %1 \r (%2) ")
                 .arg(QDir::toNativeSeparators(path), why);
    return false;
}

void EmailSnapshot::take(quint64 logGeneration, const SheetFields& fields)
{
    m_generation = logGeneration;
    m_sheet = key(fields);
}

bool EmailSnapshot::stale(quint64 logGeneration, const SheetFields& fields) const
{
    return m_generation != logGeneration || m_sheet != key(fields);
}

QString EmailSnapshot::key(const SheetFields& f)
{
    return QStringList { f.callsign, f.name, f.address, f.category, f.section }.join(QChar(1));
}

} // namespace vorad
