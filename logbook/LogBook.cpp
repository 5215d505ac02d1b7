#include "LogBook.h"

#include "ContestSettings.h"
#include "LogLine.h"

namespace vorad {

namespace {

bool endsInBak(const QString& name)
{
    return name.endsWith(QLatin1String("BAK"));
}

// Line numbers of the problems of one kind, "3, 17, 40" (at most ten, then "...").
QString lineList(const QList<LoadProblem>& problems, LoadProblem::Kind kind, int* count)
{
    QStringList numbers;
    *count = 0;
    for (const LoadProblem& p : problems) {
        if (p.kind != kind)
            continue;
        if (++*count <= 10)
            numbers.append(QString::number(p.lineNumber));
    }
    QString text = numbers.join(QLatin1String(", "));
    if (*count > 10)
        text += QLatin1String(", ...");
    return text;
}

} // namespace

LogBook::LogBook(LogFileStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
{ }

int LogBook::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

QVariant LogBook::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_lines.size())
        return {};
    return m_lines.at(index.row());
}

void LogBook::LoadLogBook(ContestSettings& settings, LogBookUi& ui)
{
    beginResetModel();
    m_lines.clear();
    endResetModel();
    m_fileInStep = true;

    const QString& fileName = settings.logFileName;
    if (endsInBak(fileName)) {
        ui.errorCue();
        ui.showMessage(
            QStringLiteral(" You are about to load a backup LogBook. \r The backup will "
                           "become a new contest logbook \r and the filename will become *.LOG"));
    }

    const LogFileStore::State state = m_store.state(fileName);
    if (state == LogFileStore::State::Empty) {
        if (settings.callsign == QLatin1String("MYCALL")) {
            ui.errorCue();
            ui.showMessage(QStringLiteral(
                " Please check your callsign before using the new logbook! \r Change your callsign "
                "using the \"Options-Settings\" menu option... "));
        }
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        ui.letEventsRun();
        ui.requestSettingsDialog();
    }

    if (state == LogFileStore::State::Missing) {
        ui.errorCue();
        ui.showMessage(QStringLiteral(" A LogBook has not yet been created for this contest! \r "
                                      "Please select the default settings for a new one.    "));
        QString error;
        if (!m_store.createEmpty(fileName, &error)) {
            ui.errorCue();
            ui.showMessage(
                QStringLiteral(" The LogBook file could not be created: \r %1 \r (%2) \r "
                               "Contacts are kept in memory until it can be written. ")
                    .arg(fileName, error));
            m_fileInStep = false;
        }
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        ui.letEventsRun();
        ui.requestSettingsDialog();
    } else {
        ui.showStatus(QStringLiteral("  Loading LogBook....... PLEASE WAIT."));
        QByteArray bytes;
        QString error;
        if (!m_store.read(fileName, &bytes, &error)) {
            ui.errorCue();
            ui.showMessage(QStringLiteral(" The LogBook could not be read: \r %1 \r (%2) ")
                               .arg(fileName, error));
            ui.showStatus(QStringLiteral("  LogBook could not be read..."));
            return;
        }
        LoadedLog loaded = ParseLogFile(bytes);
        beginResetModel();
        m_lines = std::move(loaded.lines);
        endResetModel();
        m_runningTotal += loaded.pointsTotal;
        if (!m_lines.isEmpty()) {
            const QString& last = m_lines.constLast();
            ui.showEntryBandMode(last.left(5), last.mid(5, 6));
            ui.showEntryPoints(LogLinePoints(last).toString());
        }
        ui.showRunningTotal(m_runningTotal);

        if (loaded.tornLastLine) {
            ui.errorCue();
            ui.showMessage(
                QStringLiteral(" The last line of the LogBook has no line end: \r it may be "
                               "a contact cut short when the program stopped. \r It is "
                               "kept as the last contact: please check it. "));
        }
        int badPoints = 0;
        const QString badList = lineList(loaded.problems, LoadProblem::BadPoints, &badPoints);
        if (badPoints > 0) {
            ui.errorCue();
            ui.showMessage(
                QStringLiteral(" %1 line(s) of the LogBook have no valid points: \r line "
                               "%2 \r They are loaded and count 0 points: please edit them. ")
                    .arg(badPoints)
                    .arg(badList));
        }
        int cut = 0;
        const QString cutList = lineList(loaded.problems, LoadProblem::FieldsCut, &cut);
        if (cut > 0) {
            ui.errorCue();
            ui.showMessage(
                QStringLiteral(" %1 line(s) of the LogBook have over-long fields: \r line "
                               "%2 \r They are loaded with the fields cut to size: please "
                               "check them. ")
                    .arg(cut)
                    .arg(cutList));
        }
    }

    ui.scrollToLastLines();
    m_serialCounter = NextSerialNumber();
    ui.showNextSerial(m_serialCounter);

    if (endsInBak(settings.logFileName)) {
        settings.logFileName.chop(3);
        settings.logFileName += QLatin1String("LOG");
        ui.logFileNameChanged();
        WriteLogBook(settings, ui);
    }
    ui.showStatus(QStringLiteral("  LogBook Ready..."));
}

QString LogBook::buildLine(const ContactRecord& record, const QString& rstSent) const
{
    return FormatLogLine(record.band, record.mode, rstSent, record.callsign, record.name,
        record.rstReceived, record.time.left(5), record.date, record.points);
}

void LogBook::AppendContact(
    const ContactRecord& record, const ContestSettings& settings, LogBookUi& ui)
{
    QString rstSent = StripSpaces(record.rstSent);
    if (rstSent.size() > 6) {
        ui.errorCue();
        ui.showMessage(
            QStringLiteral("   Error in RST Sent - more than 6 characters!  \r    RST Sent "
                           "has been truncated - please edit   \r        this entry again "
                           "if incorrect.          "));
        rstSent.truncate(6);
    }
    const QString line = buildLine(record, rstSent);
    const int row = static_cast<int>(m_lines.size());
    beginInsertRows(QModelIndex(), row, row);
    m_lines.append(line);
    endInsertRows();
    int points = 0;
    PointsValue(record.points, &points);
    m_runningTotal += points;
    ui.showRunningTotal(m_runningTotal);
    ui.scrollToLastLines();

    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    if (!m_fileInStep || m_store.state(settings.logFileName) == LogFileStore::State::Missing) {
        // The file missed earlier contacts (or vanished): write it whole.
        writeWhole(settings, ui, true);
        return;
    }
    QString error;
    if (m_store.append(settings.logFileName,
            (LogLineToFileRecord(line) + QLatin1String("\r\n")).toLatin1(), &error))
        ui.showStatus(QStringLiteral("  Written LogBook to Disk Okay..."));
    else
        reportWriteFailure(settings.logFileName, error, true, ui);
}

QByteArray LogBook::fileContent() const
{
    QByteArray out;
    out.reserve(m_lines.size() * 64);
    for (const QString& line : m_lines) {
        AppendFileRecord(out, line);
        out += "\r\n";
    }
    return out;
}

bool LogBook::WriteLogBook(const ContestSettings& settings, LogBookUi& ui)
{
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    return writeWhole(settings, ui, false);
}

bool LogBook::writeWhole(const ContestSettings& settings, LogBookUi& ui, bool forNewContact)
{
    int renameErrno = 0;
    QString error;
    const bool ok = m_store.rewrite(
        settings.logFileName, settings.backupLogFileName, fileContent(), &renameErrno, &error);
    if (renameErrno != 0)
        ui.showMessage(
            QStringLiteral("Logfile rename failed with error : ") + QString::number(renameErrno));
    if (!ok) {
        reportWriteFailure(settings.logFileName, error, forNewContact, ui);
        return false;
    }
    m_fileInStep = true;
    ui.showStatus(QStringLiteral("  Written LogBook to Disk Okay..."));
    return true;
}

void LogBook::reportWriteFailure(
    const QString& fileName, const QString& error, bool forNewContact, LogBookUi& ui)
{
    m_fileInStep = false;
    ui.errorCue();
    const QString kept = forNewContact ? QStringLiteral("The contact is kept in memory")
                                       : QStringLiteral("The logbook is kept in memory");
    ui.showMessage(QStringLiteral(" The LogBook could not be written to disk: \r %1 \r (%2) \r %3 "
                                  "and is written \r with the next contact that can be written. ")
                       .arg(fileName, error, kept));
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk FAILED - kept in memory..."));
}

void LogBook::ReplaceContact(
    const ContactRecord& record, int selectedRow, const ContestSettings& settings, LogBookUi& ui)
{
    if (selectedRow >= 0 && selectedRow < m_lines.size()) {
        m_lines[selectedRow] = buildLine(record, record.rstSent);
        const QModelIndex at = index(selectedRow);
        Q_EMIT dataChanged(at, at);
        ui.scrollToLastLines();
    }
    WriteLogBook(settings, ui);
    ui.showRunningTotal(RecountTotal());
    ui.rebuildSummary();
}

int LogBook::NextSerialNumber() const
{
    return vorad::NextSerialNumber(m_lines);
}

int LogBook::RecountTotal()
{
    m_runningTotal = 0;
    for (const QString& line : std::as_const(m_lines)) {
        int points = 0;
        PointsValue(LogLinePoints(line), &points);
        m_runningTotal += points;
    }
    return m_runningTotal;
}

} // namespace vorad
