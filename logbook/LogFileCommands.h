#pragma once

#include <QString>
#include <QStringList>

namespace vorad {

class LogBook;
class LogBookUi;
class LogLock;
struct ContestSettings;

// The File menu's commands on the logbook as a whole. Each returns false when it changed
// nothing (the operator has been told why).

// The question asked before a logbook that holds contacts is emptied.
QString NewLogQuestion(const QString& logFileName, qsizetype contacts);

// Empties the log: its old contents are kept under a name of their own (and as the backup),
// and an empty log is loaded.
bool NewLog(ContestSettings& settings, LogBook& logBook, LogBookUi& ui);
// Makes `path` the log (a missing one is created, a backup is continued as a .LOG), once
// `lock` holds it in place of the log before; a log that another process holds is left alone,
// and so is a device, a FIFO or a folder, and a name whose files would land on one of
// `settingsFiles`.
bool OpenLog(const QString& path, ContestSettings& settings, LogBook& logBook, LogBookUi& ui,
    LogLock& lock, const QStringList& settingsFiles = {});
bool SaveLog(const ContestSettings& settings, LogBook& logBook, LogBookUi& ui);
// A plain copy under `path`; logging goes on in the current file. Never onto the log's own
// files, by whatever name, nor onto a log that another process holds.
bool SaveLogAs(
    const QString& path, const ContestSettings& settings, LogBook& logBook, LogBookUi& ui);

} // namespace vorad
