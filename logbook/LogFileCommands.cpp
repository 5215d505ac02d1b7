#include "LogFileCommands.h"

#include "ContestSettings.h"
#include "LogBook.h"
#include "LogLine.h"

namespace vorad {

QString NewLogQuestion(const QString& logFileName, qsizetype contacts)
{
    return QStringLiteral(" Start a new, empty LogBook? \r %1 holds %2 contact(s). \r They are "
                          "kept in the backup file until the next change of the new log. ")
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

bool OpenLog(const QString& path, ContestSettings& settings, LogBook& logBook, LogBookUi& ui)
{
    if (path.isEmpty())
        return false;
    settings.logFileName = path;
    settings.backupLogFileName = BackupLogName(path);
    ui.logFileNameChanged();
    ui.letEventsRun();
    // It keeps the lines in memory (and puts the old names back) when they cannot be saved.
    const bool loaded = logBook.LoadLogBook(settings, ui);
    ui.logFileNameChanged();
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
    if (path.isEmpty())
        return false;
    // The current log itself keeps its backup.
    if (path == settings.logFileName)
        return SaveLog(settings, logBook, ui);
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
