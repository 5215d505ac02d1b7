#include "LogFiles.h"

#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>

#include "ContestSettings.h"
#include "LogFileStore.h"

namespace vorad {

namespace {

// The name with every link resolved; a file that is not there yet keeps its own name in its
// folder's resolved one.
QString resolvedName(const QString& path)
{
    const QFileInfo info(path);
    const QString file = info.canonicalFilePath();
    if (!file.isEmpty())
        return file;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

// A lock file that no process holds open and locked: a live holder on this machine keeps a
// lock on it for its whole run. Such a file is left over by a power cut (written empty) or by
// a run before whose number this process has now; either would refuse the log for good.
bool leftOverLock(const QLockFile& lock, const QString& path)
{
    qint64 pid = 0;
    QString host, program;
    if (lock.getLockInfo(&pid, &host, &program) && !host.isEmpty()
        && host != QSysInfo::machineHostName())
        return false; // another machine's: its locks are not seen from here
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    // Still the file that was looked at, not one a copy starting beside this one has just made.
    struct stat opened
    {
    };
    struct stat named
    {
    };
    const QByteArray name = QFile::encodeName(path);
    const bool removed = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0
        && ::stat(name.constData(), &named) == 0 && opened.st_dev == named.st_dev
        && opened.st_ino == named.st_ino && ::unlink(name.constData()) == 0;
    ::close(fd);
    return removed;
}

} // namespace

QStringList LogContactFiles(const ContestSettings& settings)
{
    return { settings.logFileName, settings.backupLogFileName,
        settings.logFileName + QLatin1String(".new") };
}

bool IsOneOfFiles(const QString& path, const QStringList& files)
{
    struct stat target
    {
    };
    const bool exists = ::stat(QFile::encodeName(path).constData(), &target) == 0;
    const QString name = resolvedName(path);
    for (const QString& file : files) {
        if (file.isEmpty())
            continue;
        struct stat other
        {
        };
        if (resolvedName(file) == name
            || (exists && ::stat(QFile::encodeName(file).constData(), &other) == 0
                && other.st_dev == target.st_dev && other.st_ino == target.st_ino))
            return true;
    }
    return false;
}

QString LogNameRefusal(const QString& path)
{
    // Written over, a lock keeps no second copy off; given up, it takes the file with it.
    if (path.endsWith(QLatin1String(".lock"), Qt::CaseInsensitive))
        return QStringLiteral(" A name ending in .lock is kept for the files that keep a second "
                              "copy \r of the program off a log. \r Nothing was changed: please "
                              "choose another name. ");
    if (!path.contains(QLatin1Char('\r')) && !path.contains(QLatin1Char('\n')))
        return {};
    return QStringLiteral(" A log file name may not hold a line break. \r Nothing was changed: "
                          "please choose another name. ");
}

bool IsOtherThanRegularFile(const QString& path)
{
    // Only looked at: opening a FIFO waits for its other end.
    struct stat st
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode);
}

QString NotRegularLogText(const QString& logFileName)
{
    return QStringLiteral(" The LogBook %1 can not be used: \r %2. \r ")
        .arg(logFileName, NotRegularFileReason());
}

QString ContinuedLogName(const QString& path)
{
    // As the load continues it: the exact case only.
    return path.endsWith(QLatin1String("BAK")) ? path.chopped(3) + QLatin1String("LOG") : path;
}

QString LogLockFileName(const QString& logFileName)
{
    return LogLockFileNames(logFileName).first();
}

QStringList LogLockFileNames(const QString& logFileName)
{
    // Beside the name itself (with its folders' links resolved), the one a rewrite keeps: it
    // puts a file in place of a link. Beside the file a link leads to, for a copy using that.
    const QFileInfo info(logFileName);
    QStringList names { resolvedName(info.absolutePath()) + QLatin1Char('/') + info.fileName()
        + QLatin1String(".lock") };
    const QString target = resolvedName(logFileName) + QLatin1String(".lock");
    if (target != names.first())
        names.append(target);
    return names;
}

QString LogUnlockedText(const QString& logFileName)
{
    return QStringLiteral(" The LogBook %1 could not be locked: \r %2 could not be made. \r "
                          "Logging goes on, but a second copy of the program \r would not be "
                          "kept off this log: please start only one. ")
        .arg(logFileName, LogLockFileName(logFileName));
}

LogLock::LogLock() = default;
LogLock::~LogLock() = default;
LogLock::LogLock(LogLock&&) noexcept = default;
LogLock& LogLock::operator=(LogLock&&) noexcept = default;

namespace {

// One lock file, held; null where none can be made. False when another process holds it.
bool lockOne(const QString& path, std::unique_ptr<QLockFile>* held, QString* holder)
{
    auto lock = std::make_unique<QLockFile>(path);
    // Stale only when its process no longer runs: a 24-hour run keeps its lock however old.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)
        && !(lock->error() == QLockFile::LockFailedError && leftOverLock(*lock, path)
            && lock->tryLock(0))) {
        if (lock->error() == QLockFile::LockFailedError) {
            qint64 pid = 0;
            QString host, program;
            if (holder) {
                if (!lock->getLockInfo(&pid, &host, &program))
                    *holder = QStringLiteral("a process that could not be named");
                else if (host.isEmpty())
                    *holder = QStringLiteral("process %1").arg(pid);
                else
                    *holder = QStringLiteral("process %1 on %2").arg(pid).arg(host);
            }
            return false;
        }
        lock.reset();
    }
    *held = std::move(lock);
    return true;
}

} // namespace

bool LogLock::take(const QString& logFileName, QString* holder)
{
    if (holds(logFileName))
        return true;
    std::vector<std::unique_ptr<QLockFile>> locks;
    QStringList paths;
    for (const QString& path : LogLockFileNames(logFileName)) {
        std::unique_ptr<QLockFile> lock;
        if (!lockOne(path, &lock, holder))
            return false; // those taken so far are given up again
        if (lock) {
            locks.push_back(std::move(lock));
            paths.append(path);
        }
    }
    m_locks = std::move(locks);
    m_paths = paths;
    return true;
}

bool LogLock::holds(const QString& logFileName) const
{
    for (const QString& path : LogLockFileNames(logFileName)) {
        if (m_paths.contains(path))
            return true;
    }
    return false;
}

} // namespace vorad
