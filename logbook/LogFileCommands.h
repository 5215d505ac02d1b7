#pragma once

#include <QString>

namespace vorad {

class LogBook;
class LogBookUi;
struct ContestSettings;

// The File menu's commands on the logbook as a whole. Each returns false when it changed
// nothing (the operator has been told why).

// The question asked before a logbook that holds contacts is emptied.
QString NewLogQuestion(const QString& logFileName, qsizetype contacts);

// Empties the log: its old contents become the backup, and an empty log is loaded.
bool NewLog(ContestSettings& settings, LogBook& logBook, LogBookUi& ui);
// Makes `path` the log (a missing one is created, a backup is continued as a .LOG).
bool OpenLog(const QString& path, ContestSettings& settings, LogBook& logBook, LogBookUi& ui);
bool SaveLog(const ContestSettings& settings, LogBook& logBook, LogBookUi& ui);
// A plain copy under `path`; logging goes on in the current file.
bool SaveLogAs(
    const QString& path, const ContestSettings& settings, LogBook& logBook, LogBookUi& ui);

} // namespace vorad
