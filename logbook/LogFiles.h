#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

class QLockFile;

namespace vorad {

struct ContestSettings;

// The files that hold the log's contacts: the log, its backup, and the new log that a rewrite
// writes beside it before it takes the log's name.
QStringList LogContactFiles(const ContestSettings& settings);

// True when `path` is one of `files`: by its name, or by the file it leads to (device and
// inode), whatever links in its folders or in itself lead there.
bool IsOneOfFiles(const QString& path, const QStringList& files);

// Why `path` cannot be a log's name, or empty. A name ending in ".lock" is a log's lock file. A
// line break would go into the file's name while the settings file keeps a space in its place: the
// next start would miss the log.
QString LogNameRefusal(const QString& path);

// True when `path` (through links) holds something other than a regular file: a device, a
// FIFO, a folder. Contacts written there would go nowhere, so such a log is never used.
bool IsOtherThanRegularFile(const QString& path);
// The first lines of the word to the operator on such a log.
QString NotRegularLogText(const QString& logFileName);

// The name a log file goes on under once loaded: a backup (a name ending in "BAK") is
// continued as the same name ending in "LOG".
QString ContinuedLogName(const QString& path);

// The lock files of a log: beside its name (its folders' links resolved), and, when the name is
// a link, beside the file it leads to; so that every name of one log meets a lock of it, also
// once a rewrite has put a file in place of the link. The first is the name's own.
QStringList LogLockFileNames(const QString& logFileName);
QString LogLockFileName(const QString& logFileName);

// The word to the operator when no lock file could be made beside `logFileName` (a folder that
// takes no new file, a name too long): logging goes on, unguarded.
QString LogUnlockedText(const QString& logFileName);

// Holds a log for this run, so that a second copy of the program on the same file neither
// appends to it nor rewrites it. A lock left by a process that no longer runs is taken over.
class LogLock
{
public:
    LogLock();
    ~LogLock(); // gives the log up
    LogLock(LogLock&&) noexcept;
    LogLock& operator=(LogLock&&) noexcept;

    // Holds `logFileName` in place of the log held so far. False when another process holds
    // it: `holder` then says which ("process 1234 on station-pc"), and nothing changes. Where no
    // lock can be made (a folder that takes no new file) nothing is held and nothing refused:
    // holds() then says false, and the caller tells the operator (LogUnlockedText).
    bool take(const QString& logFileName, QString* holder);
    // True when this lock holds one of the lock files of `logFileName`.
    bool holds(const QString& logFileName) const;

private:
    std::vector<std::unique_ptr<QLockFile>> m_locks;
    QStringList m_paths;
};

} // namespace vorad
