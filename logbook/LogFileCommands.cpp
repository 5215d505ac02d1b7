#include "LogFileCommands.h"

#include <utility>

#include <QFileInfo>

#include "ContestSettings.h"
#include "LogBook.h"
#include "LogFiles.h"
#include "LogLine.h"

namespace vorad {

QString NewLogQuestion(const QString& logFileName, qsizetype contacts)
{
    return QStringLiteral(" Start a new, empty LogBook? \r %1 holds %2 contact(s). \r They are "
                          "kept in a file of their own beside it. ")
        .arg(logFileName)
        .arg(contacts);
}

bool NewLog(ContestSettings& settings, LogBook& logBook, LogBookUi& ui)
{
    if (!logBook.loaded()) {
        // Its contacts are not in memory: emptying it would leave them in a backup only.
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The LogBook %1 was not read whole: \r a new log would put "
                                      "its contacts out of reach. \r Please open another log "
                                      "file instead. ")
                           .arg(settings.logFileName));
        return false;
    }
    if (!logBook.SecureContacts(ui)) {
        ui.errorCue();
        ui.showMessage(QStringLiteral(" No new LogBook: the contacts in memory could not be "
                                      "saved, and they are kept. "));
        return false;
    }
    if (!logBook.StartNewLog(settings, ui))
        return false;
    ui.showRunningTotal(0);
    return logBook.LoadLogBook(settings, ui);
}

namespace {

bool refuseLogName(const QString& path, LogBookUi& ui)
{
    const QString refusal = LogNameRefusal(path);
    if (refusal.isEmpty())
        return false;
    ui.errorCue();
    ui.showMessage(refusal);
    return true;
}

QString heldElsewhereText(const QString& logFileName, const QString& holder)
{
    return QStringLiteral(" The LogBook %1 is in use by another copy of the program: \r %2. \r ")
        .arg(logFileName, holder);
}

} // namespace

bool OpenLog(const QString& path, ContestSettings& settings, LogBook& logBook, LogBookUi& ui,
    LogLock& lock, const QStringList& settingsFiles)
{
    if (path.isEmpty() || refuseLogName(path, ui))
        return false;
    const QString logName = ContinuedLogName(path);
    const QString notOpened
        = QStringLiteral("It is not opened: %1 stays the LogBook. ").arg(settings.logFileName);
    for (const QString& name : { path, logName }) {
        if (IsOtherThanRegularFile(name)) {
            ui.errorCue();
            ui.showMessage(NotRegularLogText(name) + notOpened);
            return false;
        }
    }
    // A rewrite would put the log, or the log before, in the settings' place.
    const QStringList files { path, BackupLogName(path), path + QLatin1String(".new"), logName,
        logName + QLatin1String(".new") };
    for (const QString& settingsFile : settingsFiles) {
        if (!settingsFile.isEmpty() && IsOneOfFiles(settingsFile, files)) {
            ui.errorCue();
            ui.showMessage(QStringLiteral(" The LogBook can not be kept in \r %1 \r That file, its "
                                          "backup or its save under way is the \r settings file "
                                          "%2. \r ")
                               .arg(path, settingsFile)
                + notOpened);
            return false;
        }
    }
    // Held before anything of it is read or written: another copy may be logging in it.
    const bool another = !lock.holds(logName);
    LogLock next;
    QString holder;
    if (another && !next.take(logName, &holder)) {
        ui.errorCue();
        ui.showMessage(heldElsewhereText(logName, holder)
            + QStringLiteral("It is not opened: %1 stays the LogBook. ").arg(settings.logFileName));
        return false;
    }
    // A folder that is not there is told by the load itself.
    if (another && !next.holds(logName) && QFileInfo::exists(QFileInfo(logName).absolutePath()))
        ui.showMessage(LogUnlockedText(logName));
    settings.logFileName = path;
    settings.backupLogFileName = BackupLogName(path);
    ui.logFileNameChanged();
    ui.letEventsRun();
    // It keeps the lines in memory (and puts the old names back) when they cannot be saved.
    const bool loaded = logBook.LoadLogBook(settings, ui);
    ui.logFileNameChanged();
    if (loaded && another)
        lock = std::move(next); // the log before is given up
    return loaded;
}

bool SaveLog(const ContestSettings& settings, LogBook& logBook, LogBookUi& ui)
{
    if (!logBook.loaded()) {
        // Nothing of this run is waiting because of it: appends still reach the file.
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The LogBook %1 was not read whole, \r so it is never "
                                      "rewritten: the contacts in it stay as they are. ")
                           .arg(settings.logFileName));
        return false;
    }
    return logBook.WriteLogBook(settings, ui);
}

bool SaveLogAs(
    const QString& path, const ContestSettings& settings, LogBook& logBook, LogBookUi& ui)
{
    if (path.isEmpty() || refuseLogName(path, ui))
        return false;
    // The current log itself keeps its backup.
    if (path == settings.logFileName)
        return SaveLog(settings, logBook, ui);
    // By another name the copy's rotation would take the backup, or the log, away.
    if (IsOneOfFiles(path, LogContactFiles(settings))) {
        ui.errorCue();
        ui.showMessage(QStringLiteral(" The copy can not be written to \r %1 \r That file is the "
                                      "LogBook itself, its backup or its save under way. \r "
                                      "Please choose another name. ")
                           .arg(path));
        return false;
    }
    LogLock target;
    QString holder;
    if (!target.take(path, &holder)) {
        ui.errorCue();
        ui.showMessage(
            heldElsewhereText(path, holder) + QStringLiteral("The copy is not written. "));
        return false;
    }
    if (!logBook.WriteCopy(path, ui))
        return false;
    if (!logBook.loaded()) // the copy must not pass for the whole log
        ui.showMessage(QStringLiteral(" The LogBook was not read whole: \r the copy %1 holds "
                                      "only the %2 contact(s) logged in this run. ")
                           .arg(path)
                           .arg(logBook.lines().size()));
    return true;
}

} // namespace vorad
