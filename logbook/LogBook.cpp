#include "LogBook.h"

#include <utility>

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include "BandMode.h"
#include "ContestSettings.h"
#include "EntryRules.h"
#include "LogFiles.h"
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

namespace {

// Every record this program writes is longer than this, so a file of N bytes holds fewer than
// N / MinRecordBytes contacts: serials counted on from there are never used twice.
constexpr qint64 MinRecordBytes = 48;

// "<folder>/<log name>-<tag>-<stamp>.LOG", a name that is not taken yet.
QString sideFileName(
    const LogFileStore& store, const QString& logName, const QString& folder, const char* tag)
{
    const QFileInfo log(logName);
    const QString base = QDir(folder).filePath(log.completeBaseName() + QLatin1Char('-')
        + QLatin1String(tag) + QLatin1Char('-')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString name = base + QLatin1String(".LOG");
    for (int n = 2; store.exists(name) && n < 1000; ++n)
        name = base + QLatin1Char('-') + QString::number(n) + QLatin1String(".LOG");
    return name;
}

} // namespace

int LogBook::serialFromOtherFiles(const QStringList& files, qint64 logSize) const
{
    // Four digits at most: the sent report has room for no more.
    int serial
        = logSize > 0 ? static_cast<int>(qMin<qint64>(logSize / MinRecordBytes, 9998)) + 1 : 1;
    for (const QString& file : files) {
        QByteArray bytes;
        if (file.isEmpty() || !m_store.read(file, &bytes, nullptr))
            continue;
        LoadedLog log = ParseLogFile(bytes);
        if (log.tornLastLine) // a cut-short line may hold a cut-short serial
            log.lines.removeLast();
        serial = qMax(serial, vorad::NextSerialNumber(log.lines));
    }
    return serial;
}

bool LogBook::LoadLogBook(ContestSettings& settings, LogBookUi& ui)
{
    // Contacts that only memory holds are put on disk before another file replaces them.
    if (!m_fileInStep && !m_lines.isEmpty() && !SecureContacts(ui)) {
        ui.errorCue();
        ui.showMessage(QStringLiteral(" %1 is not loaded: \r the contacts in memory could not be "
                                      "saved, and they are kept. ")
                           .arg(settings.logFileName));
        // The lines stay with their own files: nothing may write them over the other one.
        settings.logFileName = m_fileName;
        settings.backupLogFileName = m_backupName;
        ui.logFileNameChanged();
        return false;
    }
    beginResetModel();
    m_lines.clear();
    m_stations.rebuild();
    endResetModel();
    m_contentKnown = false;
    // The total is the new file's alone.
    m_runningTotal = 0;
    ui.showRunningTotal(0);
    m_fileInStep = true;
    m_loaded = true;
    m_unwrittenFrom = 0;
    m_changesUnwritten = false;
    m_refused = false;
    m_fileName = settings.logFileName;
    m_backupName = settings.backupLogFileName;

    const QString& fileName = settings.logFileName;
    if (m_store.state(fileName) == LogFileStore::State::NotRegular) {
        // A device or a FIFO would swallow the contacts (or hang the start): as a log that
        // cannot be written, they wait in memory and go to a rescue file.
        m_refused = true;
        m_fileInStep = false;
        ui.errorCue();
        ui.showMessage(NotRegularLogText(fileName)
            + QStringLiteral("Contacts are kept in memory, and saved in a rescue file \r when "
                             "another log is opened or the program closes. "));
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        m_serialCounter = 1;
        ui.showNextSerial(m_serialCounter);
        ui.logFileNameChanged();
        ui.showStatus(QStringLiteral("  LogBook NOT on disk - contacts kept in memory..."));
        return true;
    }
    if (endsInBak(fileName)) {
        ui.errorCue();
        ui.showMessage(
            QStringLiteral(" You are about to load a backup LogBook. \r The backup will "
                           "become a new contest logbook \r and the filename will become *.LOG"));
    }

    // A rewrite cut short leaves its new file behind; the next rewrite would overwrite it.
    QString unfinished;
    const QString leftover = fileName + QLatin1String(".new");
    const LogFileStore::State leftoverState = m_store.state(leftover);
    if (leftoverState == LogFileStore::State::Empty
        || leftoverState == LogFileStore::State::Populated) {
        unfinished
            = sideFileName(m_store, fileName, QFileInfo(fileName).absolutePath(), "unfinished");
        QString error;
        if (!m_store.moveAside(leftover, unfinished, &error))
            unfinished = leftover;
        ui.errorCue();
        ui.showMessage(QStringLiteral(" A save of the LogBook was cut short. \r The file it was "
                                      "writing is kept as \r %1 \r It may hold the latest changes: "
                                      "please check it. ")
                           .arg(unfinished));
    }

    qint64 size = -1;
    LogFileStore::State state = m_store.state(fileName, &size);
    int serial = 1;
    bool lastLineTorn = false;
    if (state == LogFileStore::State::Missing
        && (m_store.exists(settings.backupLogFileName) || !unfinished.isEmpty())) {
        // The contacts are in those files. The backup is moved out of the way of the rotation
        // that the new log's first rewrite makes, in this run or the next.
        QStringList holders;
        if (m_store.exists(settings.backupLogFileName)) {
            const QString kept
                = sideFileName(m_store, fileName, QFileInfo(fileName).absolutePath(), "backup");
            QString error;
            const bool moved = m_store.moveAside(settings.backupLogFileName, kept, &error);
            holders.append(moved ? kept : settings.backupLogFileName);
            m_loaded = moved; // else it must not be rotated away: no rewrites in this run
        }
        if (!unfinished.isEmpty())
            holders.append(unfinished);
        serial = serialFromOtherFiles(holders, 0);
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The LogBook %1 is missing. \r The contacts are in \r %2 "
                                      "\r New contacts go to a new LogBook, serials from %3. \r "
                                      "Please put the contacts back together after the "
                                      "contest. ")
                           .arg(fileName, holders.join(QLatin1String(" \r and ")))
                           .arg(serial));
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
    } else if (state == LogFileStore::State::Missing) {
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
    } else if (state == LogFileStore::State::Empty) {
        if (settings.callsign == QLatin1String("MYCALL")) {
            ui.errorCue();
            ui.showMessage(QStringLiteral(
                " Please check your callsign before using the new logbook! \r Change your callsign "
                "using the \"Options-Settings\" menu option... "));
        }
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        ui.letEventsRun();
        ui.requestSettingsDialog();
    } else {
        ui.showStatus(QStringLiteral("  Loading LogBook....... PLEASE WAIT."));
        QByteArray bytes;
        QString error = QStringLiteral("the file cannot be looked at");
        if (state == LogFileStore::State::Unreadable || !m_store.read(fileName, &bytes, &error)) {
            // Nothing of the file is in memory: it must never be replaced by what is.
            m_loaded = false;
            serial = serialFromOtherFiles({ settings.backupLogFileName }, size);
            ui.errorCue();
            ui.showMessage(QStringLiteral(" The LogBook could not be read: \r %1 \r (%2) \r It is "
                                          "never rewritten in this run; new contacts \r are added "
                                          "to it, serials from %3. ")
                               .arg(fileName, error)
                               .arg(serial));
            ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        } else {
            LoadedLog loaded = ParseLogFile(bytes);
            beginResetModel();
            m_lines = std::move(loaded.lines);
            m_stations.rebuild();
            endResetModel();
            m_runningTotal += loaded.pointsTotal;
            lastLineTorn = loaded.tornLastLine;
            showLastBandMode(ui, lastLineTorn);
            ui.showRunningTotal(m_runningTotal);
            tellLoadProblems(loaded, ui);
        }
    }

    ui.scrollToLastLines();
    if (!m_lines.isEmpty()) {
        // A torn last line is a contact cut short: its serial may be cut short too.
        serial = lastLineTorn ? vorad::NextSerialNumber(m_lines.mid(0, m_lines.size() - 1))
                              : NextSerialNumber();
    }
    if (!unfinished.isEmpty()) // it may hold serials the log has not
        serial = qMax(serial, serialFromOtherFiles({ unfinished }, 0));
    m_serialCounter = serial;
    ui.showNextSerial(m_serialCounter);

    if (endsInBak(settings.logFileName)) {
        settings.logFileName.chop(3);
        settings.logFileName += QLatin1String("LOG");
        m_fileName = settings.logFileName;
        ui.logFileNameChanged();
        // The log it replaces may hold newer contacts than its backup: the rotation would put
        // them where the next rewrite deletes them, so it is kept under a name of its own.
        if (m_store.state(m_fileName, nullptr) == LogFileStore::State::Populated) {
            const QString kept = sideFileName(
                m_store, m_fileName, QFileInfo(m_fileName).absolutePath(), "replaced");
            QString error;
            if (m_store.moveAside(m_fileName, kept, &error)) {
                ui.showMessage(QStringLiteral(" The LogBook %1 is kept as \r %2 \r The backup "
                                              "%3 takes its place. ")
                                   .arg(m_fileName, kept, m_backupName));
            } else {
                m_loaded = false; // never rewritten over: the change stays in memory
                ui.errorCue();
                ui.showMessage(QStringLiteral(" The LogBook %1 could not be kept aside: \r (%2) "
                                              "\r It is left as it is. ")
                                   .arg(m_fileName, error));
            }
        }
        WriteLogBook(settings, ui);
    }
    ui.showStatus(QStringLiteral("  LogBook Ready..."));
    TellWriteListener();
    return true;
}

void LogBook::TellWriteListener()
{
    // A log not read whole (or no file at all) is not what memory holds.
    if (m_loaded && m_fileInStep && !m_refused)
        tellWritten(m_fileName, m_backupName);
}

void LogBook::tellWritten(const QString& logName, const QString& backupName)
{
    if (!m_listener || !m_listener->wantsWrites())
        return;
    if (!m_contentKnown) {
        m_content = fileContent();
        m_contentKnown = true;
    }
    m_listener->logWritten(logName, backupName, m_content);
}

void LogBook::showLastBandMode(LogBookUi& ui, bool lastLineTorn)
{
    // A damaged or torn line must not give the next contact a band or mode that is not ours.
    const qsizetype count = m_lines.size() - (lastLineTorn ? 1 : 0);
    if (count <= 0) {
        ui.showEntryBandMode(QStringLiteral("2m"), QStringLiteral("FM"));
        return;
    }
    const QString& last = m_lines.at(count - 1);
    const QString band = last.left(5);
    const QString mode = last.mid(5, 6);
    ui.showEntryBandMode(BandIndex(band) >= 0 ? band : QStringLiteral("2m"),
        ModeIndex(mode) >= 0 ? mode : QStringLiteral("FM"));
    ui.showEntryPoints(LogLinePoints(last).toString());
}

void LogBook::tellLoadProblems(const LoadedLog& loaded, LogBookUi& ui)
{
    if (loaded.tornLastLine) {
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The last line of the LogBook has no line end: \r it may be "
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
        ui.showMessage(QStringLiteral(" %1 line(s) of the LogBook have over-long fields: \r line "
                                      "%2 \r They are loaded with the fields cut to size: please "
                                      "check them. ")
                           .arg(cut)
                           .arg(cutList));
    }
}

QString LogBook::buildLine(const ContactRecord& record, const QString& rstSent) const
{
    // The file keeps the name without its spaces: the list shows what the file holds.
    return FormatLogLine(record.band, record.mode, rstSent, record.callsign,
        StripSpaces(record.name), record.rstReceived, record.time.left(5), record.date,
        record.points);
}

void LogBook::AppendContact(
    const ContactRecord& record, const ContestSettings& settings, LogBookUi& ui)
{
    QString rstSent = StripSpaces(record.rstSent);
    if (!SentReportFits(rstSent)) {
        ui.errorCue();
        ui.showMessage(
            QStringLiteral("   Error in RST Sent - more than 6 characters!  \r    RST Sent "
                           "has been truncated - please edit   \r        this entry again "
                           "if incorrect.          "));
        rstSent.truncate(6);
    }
    const QString line = buildLine(record, rstSent);
    const int row = static_cast<int>(m_lines.size());
    const bool contentKnown = std::exchange(m_contentKnown, false);
    beginInsertRows(QModelIndex(), row, row);
    m_lines.append(line);
    m_stations.append();
    endInsertRows();
    int points = 0;
    PointsValue(record.points, &points);
    m_runningTotal += points;
    ui.showRunningTotal(m_runningTotal);
    ui.scrollToLastLines();

    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    if (!m_loaded) {
        appendUnwritten(settings.logFileName, ui, WriteFor::NewContact);
        return;
    }
    if (!m_fileInStep || m_store.state(settings.logFileName) == LogFileStore::State::Missing) {
        // The file missed earlier contacts (or vanished): write it whole.
        writeWhole(settings.logFileName, settings.backupLogFileName, ui, WriteFor::NewContact);
        return;
    }
    QString error;
    QByteArray bytes;
    AppendFileRecord(bytes, line);
    bytes += "\r\n";
    if (m_store.append(settings.logFileName, bytes, &error)) {
        ui.showStatus(QStringLiteral("  Written LogBook to Disk Okay..."));
        if (contentKnown) {
            m_content += bytes;
            m_contentKnown = true;
        }
        tellWritten(settings.logFileName, settings.backupLogFileName);
    } else
        reportWriteFailure(settings.logFileName, error, WriteFor::NewContact, ui);
}

bool LogBook::appendUnwritten(const QString& logName, LogBookUi& ui, WriteFor what)
{
    // The file was never read: every line it misses goes to its end, nothing of it is replaced.
    QString error;
    if (!m_store.append(logName, fileContent(m_unwrittenFrom), &error, true)) {
        reportWriteFailure(logName, error, what, ui);
        return false;
    }
    m_unwrittenFrom = m_lines.size();
    m_fileInStep = !m_changesUnwritten;
    ui.showStatus(m_fileInStep
            ? QStringLiteral("  Written LogBook to Disk Okay...")
            : QStringLiteral(
                "  Written LogBook to Disk Okay - an earlier change waits in memory..."));
    return true;
}

QByteArray LogBook::fileContent(qsizetype from) const
{
    QByteArray out;
    out.reserve((m_lines.size() - from) * 64);
    for (qsizetype i = from; i < m_lines.size(); ++i) {
        AppendFileRecord(out, m_lines.at(i));
        out += "\r\n";
    }
    return out;
}

bool LogBook::WriteLogBook(const ContestSettings& settings, LogBookUi& ui)
{
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    if (!m_loaded) {
        m_fileInStep = false;
        m_changesUnwritten = true;
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The LogBook %1 was not read whole, \r so it is never "
                                      "rewritten: the contacts in it stay as they are. \r The "
                                      "change is kept in memory and saved in a rescue file \r "
                                      "when the program closes. ")
                           .arg(settings.logFileName));
        ui.showStatus(QStringLiteral("  Writing LogBook to Disk FAILED - kept in memory..."));
        return false;
    }
    return writeWhole(settings.logFileName, settings.backupLogFileName, ui, WriteFor::Logbook);
}

bool LogBook::writeWhole(const QString& logName, const QString& backupName, LogBookUi& ui,
    WriteFor what, LogFileStore::Backup backup)
{
    int renameErrno = 0;
    QString error;
    const QByteArray content = fileContent();
    const bool ok = m_store.rewrite(logName, backupName, content, &renameErrno, &error, backup);
    if (renameErrno != 0)
        ui.showMessage(
            QStringLiteral("Logfile rename failed with error : ") + QString::number(renameErrno));
    if (!ok) {
        reportWriteFailure(logName, error, what, ui);
        return false;
    }
    if (what != WriteFor::Copy)
        m_fileInStep = true;
    ui.showStatus(QStringLiteral("  Written LogBook to Disk Okay..."));
    if (what != WriteFor::Copy && m_listener && m_listener->wantsWrites()) {
        m_content = content;
        m_contentKnown = true;
        tellWritten(logName, backupName);
    } else if (what != WriteFor::Copy) {
        m_contentKnown = false;
    }
    return true;
}

void LogBook::reportWriteFailure(
    const QString& fileName, const QString& error, WriteFor what, LogBookUi& ui)
{
    if (what == WriteFor::Copy) {
        // Only the copy failed: the log itself is as it was.
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The copy of the LogBook could not be written: \r %1 \r "
                                      "(%2) \r The LogBook itself is unchanged. ")
                           .arg(fileName, error));
        ui.showStatus(QStringLiteral("  Writing LogBook copy FAILED..."));
        return;
    }
    m_fileInStep = false;
    if (what == WriteFor::Rescue)
        return;
    ui.errorCue();
    const QString kept = what == WriteFor::NewContact
        ? QStringLiteral("The contact is kept in memory")
        : QStringLiteral("The logbook is kept in memory");
    ui.showMessage(QStringLiteral(" The LogBook could not be written to disk: \r %1 \r (%2) \r %3 "
                                  "and is written \r with the next contact that can be written. ")
                       .arg(fileName, error, kept));
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk FAILED - kept in memory..."));
}

bool LogBook::SecureContacts(LogBookUi& ui, ContestSettings* adopt)
{
    if (m_fileInStep || (m_refused && m_lines.isEmpty())) // nothing of this run to keep
        return true;
    if (m_loaded ? writeWhole(m_fileName, m_backupName, ui, WriteFor::Rescue)
                 : !m_changesUnwritten && appendUnwritten(m_fileName, ui, WriteFor::Rescue))
        return true;
    const QByteArray content = fileContent();
    QStringList tried;
    for (const QString& folder : { QFileInfo(m_fileName).absolutePath(), m_rescueFolder }) {
        if (folder.isEmpty())
            continue;
        // The log's own folder is never made again: a pulled drive's mount point is not it.
        if (folder == m_rescueFolder)
            QDir().mkpath(folder);
        const QString rescue = sideFileName(m_store, m_fileName, folder, "rescue");
        QString error;
        if (m_store.writeNew(rescue, content, &error)) {
            // A whole logbook in the rescue file is the logbook from now on; a part of one
            // (the log was not read) must be added to it by hand.
            const bool whole = adopt && m_loaded;
            if (whole) {
                adopt->logFileName = rescue;
                adopt->backupLogFileName = rescue.chopped(3) + QLatin1String("BAK");
            }
            ui.showMessage(QStringLiteral(" The LogBook could not be written to \r %1 \r All %2 "
                                          "contacts in memory are saved in \r %3 \r %4 ")
                               .arg(m_fileName)
                               .arg(m_lines.size())
                               .arg(rescue,
                                   whole ? QStringLiteral("From the next start on, that file is "
                                                          "the LogBook.")
                                         : QStringLiteral("Please add them to the LogBook.")));
            return true;
        }
        tried.append(rescue + QLatin1String(" (") + error + QLatin1Char(')'));
    }
    ui.errorCue();
    ui.showMessage(QStringLiteral(" The %1 contacts in memory could not be saved: \r %2 ")
                       .arg(m_lines.size())
                       .arg(tried.join(QLatin1String(" \r "))));
    return false;
}

void LogBook::ReplaceContact(
    const ContactRecord& record, int selectedRow, const ContestSettings& settings, LogBookUi& ui)
{
    if (selectedRow >= 0 && selectedRow < m_lines.size()) {
        m_contentKnown = false;
        const QString old = std::exchange(m_lines[selectedRow], buildLine(record, record.rstSent));
        m_stations.replace(selectedRow, old);
        const QModelIndex at = index(selectedRow);
        Q_EMIT dataChanged(at, at);
        ui.scrollToLastLines();
    }
    WriteLogBook(settings, ui);
    ui.showRunningTotal(RecountTotal());
    ui.rebuildSummary();
}

void LogBook::RemoveContact(int row)
{
    if (row < 0 || row >= m_lines.size())
        return;
    if (!m_loaded && row < m_unwrittenFrom) {
        // The file keeps that line (it is only ever appended to): the change waits in memory.
        --m_unwrittenFrom;
        m_changesUnwritten = true;
    }
    beginRemoveRows(QModelIndex(), row, row);
    m_contentKnown = false;
    const QString old = m_lines.takeAt(row);
    m_stations.remove(row, old);
    endRemoveRows();
}

void LogBook::Clear()
{
    m_contentKnown = false;
    beginResetModel();
    m_lines.clear();
    m_stations.rebuild();
    endResetModel();
    m_runningTotal = 0;
    m_unwrittenFrom = 0;
}

bool LogBook::StartNewLog(const ContestSettings& settings, LogBookUi& ui)
{
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    int renameErrno = 0;
    QString error;
    // The old contest keeps a file of its own: the backup goes at the next rewrite.
    QString kept;
    if (m_store.state(settings.logFileName) == LogFileStore::State::Populated) {
        kept = sideFileName(m_store, settings.logFileName,
            QFileInfo(settings.logFileName).absolutePath(), "before-new");
        if (!m_store.keepCopy(settings.logFileName, kept, &error)) {
            ui.errorCue();
            ui.showMessage(QStringLiteral(" No new LogBook: %1 could not be kept as \r %2 \r (%3) "
                                          "\r The contacts stay in the LogBook. ")
                               .arg(settings.logFileName, kept, error));
            ui.showStatus(QStringLiteral("  LogBook Ready..."));
            return false;
        }
    }
    if (!m_store.rewrite(settings.logFileName, settings.backupLogFileName, QByteArray(),
            &renameErrno, &error, LogFileStore::Backup::Required)) {
        if (!kept.isEmpty()) // the log is as it was: its copy is not needed
            m_store.remove(kept, nullptr);
        ui.errorCue();
        if (renameErrno != 0)
            ui.showMessage(QStringLiteral(" No new LogBook: %1 could not be kept as the backup "
                                          "%2 \r (%3) \r The contacts stay in the LogBook. ")
                               .arg(settings.logFileName, settings.backupLogFileName, error));
        else // the backup is made, or was not reached: only the empty log failed
            ui.showMessage(QStringLiteral(" No new LogBook: the new, empty %1 could not be "
                                          "written \r (%2) \r The contacts stay in the LogBook. ")
                               .arg(settings.logFileName, error));
        ui.showStatus(QStringLiteral("  LogBook Ready..."));
        return false;
    }
    const qsizetype contacts = m_lines.size();
    Clear();
    m_fileInStep = true;
    m_changesUnwritten = false;
    ui.showStatus(QStringLiteral("  Written LogBook to Disk Okay..."));
    tellWritten(settings.logFileName, settings.backupLogFileName);
    if (!kept.isEmpty())
        ui.showMessage(QStringLiteral(" The new LogBook %1 is empty. \r The %2 contact(s) of the "
                                      "old one are kept in \r %3 ")
                           .arg(settings.logFileName)
                           .arg(contacts)
                           .arg(kept));
    return true;
}

bool LogBook::WriteCopy(const QString& path, LogBookUi& ui)
{
    ui.showStatus(QStringLiteral("  Writing LogBook to Disk..."));
    const QString backup = BackupLogName(path);
    // The copy stands alone. A backup name that is the copy itself or one of the log's own
    // files is neither rotated into nor deleted.
    const bool foreign = backup == path
        || IsOneOfFiles(backup, { m_fileName, m_backupName, m_fileName + QLatin1String(".new") });
    if (!writeWhole(path, backup, ui, WriteFor::Copy,
            foreign ? LogFileStore::Backup::None : LogFileStore::Backup::IfPossible))
        return false;
    if (!foreign) {
        QString error;
        if (!m_store.remove(backup, &error))
            ui.showMessage(QStringLiteral(" The old file %1 beside the copy could not be "
                                          "deleted: \r (%2) ")
                               .arg(backup, error));
    }
    return true;
}

int LogBook::NextSerialNumber() const
{
    return vorad::NextSerialNumber(m_lines);
}

qint64 LogBook::RecountTotal()
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
