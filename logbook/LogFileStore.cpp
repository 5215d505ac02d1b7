#include "LogFileStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "LogLine.h"

namespace vorad {

namespace {

QString errnoText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// A name that holds a device or a FIFO must not be renamed over: the node would be gone.
bool regularOrFree(const QByteArray& name)
{
    struct stat st
    {
    };
    return ::stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode);
}

// Opens a regular file only (or makes one), and never waits: a FIFO waits for its other end.
// -1 with errno, or with `notRegular` set when the name holds something else. (O_NONBLOCK does
// nothing to a regular file's reads and writes.)
int openRegular(const QByteArray& name, int flags, bool* notRegular)
{
    *notRegular = false;
    const int fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        *notRegular = !regularOrFree(name); // a folder, a FIFO without a reader
        errno = err;
        return -1;
    }
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *notRegular = true;
        return -1;
    }
    return fd;
}

bool blank(const char* begin, const char* end)
{
    for (const char* p = begin; p != end; ++p) {
        if (*p != ' ')
            return false;
    }
    return true;
}

} // namespace

QString NotRegularFileReason()
{
    return QStringLiteral("it is not a regular file, and is left as it is");
}

LoadedLog ParseLogFile(const QByteArray& bytes)
{
    LoadedLog out;
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    int lineNumber = 0;
    auto finishLine = [&](const char* b, const char* e) {
        ++lineNumber;
        if (blank(b, e))
            return;
        bool cut = false;
        const QString line = FileBytesToLogLine(QByteArrayView(b, e - b), &cut);
        int points = 0;
        // A torn line has a message of its own: one box for one damaged line.
        const bool torn = e == end;
        if (!PointsValue(LogLinePoints(line), &points)) {
            if (!torn)
                out.problems.append({ lineNumber, LoadProblem::BadPoints });
        } else if (cut && !torn) {
            out.problems.append({ lineNumber, LoadProblem::FieldsCut });
        }
        out.pointsTotal += points;
        out.lines.append(line);
    };
    const char* lineStart = p;
    while (p != end) {
        const char c = *p;
        if (c == '\n' || c == '\r') {
            finishLine(lineStart, p);
            ++p;
            if (c == '\r' && p != end && *p == '\n')
                ++p;
            lineStart = p;
        } else {
            ++p;
        }
    }
    if (lineStart != end) {
        // Kept, so that a contact cut short by a crash stays in the logbook and the file.
        out.tornLastLine = true;
        finishLine(lineStart, end);
    }
    return out;
}

LogFileStore::State LogFileStore::state(const QString& path, qint64* size) const
{
    struct stat st
    {
    };
    if (size)
        *size = -1;
    if (::stat(nativePath(path).constData(), &st) != 0)
        return errno == ENOENT ? State::Missing : State::Unreadable;
    if (size)
        *size = st.st_size;
    if (!S_ISREG(st.st_mode))
        return State::NotRegular;
    return st.st_size == 0 ? State::Empty : State::Populated;
}

bool LogFileStore::read(const QString& path, QByteArray* bytes, QString* error) const
{
    QFile file;
    bool notRegular = false;
    const int fd = fault(m_faults.open) ? -1 : openRegular(nativePath(path), O_RDONLY, &notRegular);
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (error)
            *error = m_faults.open ? errnoText(EIO)
                : notRegular       ? NotRegularFileReason()
                : fd < 0           ? errnoText(errno)
                                   : file.errorString();
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    *bytes = file.readAll();
    if (fault(m_faults.read) || file.error() != QFileDevice::NoError) {
        if (error)
            *error = m_faults.read ? errnoText(EIO) : file.errorString();
        return false;
    }
    return true;
}

bool LogFileStore::writeAll(int fd, const QByteArray& bytes, QString* error)
{
    // A disk that fills takes what room it has, as a real one does, then refuses the rest.
    const qint64 room = m_faults.write ? 0 : m_faults.spaceLeft;
    const bool fills = m_faults.write || (room >= 0 && room < bytes.size());
    if (fault(fills) && room == 0) {
        errno = ENOSPC; // as the disk would tell it, to callers that read errno
        if (error)
            *error = errnoText(ENOSPC);
        return false;
    }
    const char* p = bytes.constData();
    qsizetype left = fills ? qsizetype(room) : bytes.size();
    if (m_faults.spaceLeft >= 0)
        m_faults.spaceLeft -= left;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = errnoText(errno);
            return false;
        }
        p += n;
        left -= n;
    }
    if (fills) {
        errno = ENOSPC;
        if (error)
            *error = errnoText(ENOSPC);
        return false;
    }
    return true;
}

bool LogFileStore::syncFd(int fd, QString* error)
{
    if (!m_sync)
        return true;
    if (fault(m_faults.sync) || ::fsync(fd) != 0) {
        if (m_faults.sync)
            errno = EIO;
        if (error)
            *error = errnoText(m_faults.sync ? EIO : errno);
        return false;
    }
    return true;
}

bool LogFileStore::createEmpty(const QString& path, QString* error)
{
    bool notRegular = false;
    const int fd = fault(m_faults.open)
        ? -1
        : openRegular(nativePath(path), O_WRONLY | O_CREAT | O_TRUNC, &notRegular);
    if (fd < 0) {
        if (error)
            *error
                = notRegular ? NotRegularFileReason() : errnoText(m_faults.open ? EACCES : errno);
        return false;
    }
    const bool ok = syncFd(fd, error);
    if (::close(fd) != 0 || !ok)
        return false;
    // The new name itself must survive a power cut, not only the file's bytes.
    syncFolderOf(path);
    return true;
}

void LogFileStore::syncFolderOf(const QString& path) const
{
    if (!m_sync)
        return;
    const QByteArray dir = nativePath(QFileInfo(path).absolutePath());
    const int dfd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

bool LogFileStore::append(
    const QString& path, const QByteArray& record, QString* error, bool create)
{
    // Normally the existing file only: a log that vanished is rebuilt whole by the caller.
    const QByteArray name = nativePath(path);
    const int flags = create ? O_CREAT : 0;
    bool notRegular = false;
    int fd = fault(m_faults.open) ? -1 : openRegular(name, O_RDWR | flags, &notRegular);
    bool canRead = true;
    if (fd < 0 && !m_faults.open && !notRegular && errno == EACCES) {
        // A file we may write but not read still takes the contact.
        fd = openRegular(name, O_WRONLY | flags, &notRegular);
        canRead = false;
    }
    if (fd < 0) {
        if (error)
            *error
                = notRegular ? NotRegularFileReason() : errnoText(m_faults.open ? EACCES : errno);
        return false;
    }
    const off_t size = ::lseek(fd, 0, SEEK_END);
    QByteArray bytes;
    if (size > 0) {
        // A record always starts on a line of its own, even after a torn last line. Unread,
        // the end gets a line end of its own: an empty line holds no contact.
        char last = '\r';
        if (canRead && ::pread(fd, &last, 1, size - 1) == 1 && last != '\n')
            bytes = last == '\r' ? QByteArrayLiteral("\n") : QByteArrayLiteral("\r\n");
        else if (!canRead)
            bytes = QByteArrayLiteral("\r\n");
    }
    bytes += record;
    bool ok = size >= 0 && writeAll(fd, bytes, error) && syncFd(fd, error);
    if (!ok && size >= 0) {
        // Take a half-written record back off, so the file holds only whole contacts.
        if (::ftruncate(fd, size) == 0)
            (void)::fsync(fd);
    }
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (error)
            *error = errnoText(errno);
    }
    if (ok && create && size == 0)
        syncFolderOf(path); // it may be a new file: its name must last too
    return ok;
}

bool LogFileStore::rewrite(const QString& logPath, const QString& backupPath,
    const QByteArray& content, int* renameErrno, QString* error, Backup backup)
{
    if (renameErrno)
        *renameErrno = 0;
    const QByteArray log = nativePath(logPath);
    const QByteArray bak = nativePath(backupPath);
    const QByteArray tmp = log + ".new";
    // A device or a FIFO under the log's name is neither written nor replaced.
    if (!regularOrFree(log)) {
        if (error)
            *error = NotRegularFileReason();
        return false;
    }

    // 1. The new log, complete and on disk, under a temporary name beside the old one.
    if (!writeComplete(tmp, O_TRUNC, content, error))
        return false;
    if (halted(1, error))
        return false;

    // 2. The old log becomes the backup, and stays the log meanwhile.
    struct stat logStat
    {
    };
    const bool logThere = ::stat(log.constData(), &logStat) == 0;
    if (backup != Backup::None && logThere) {
        struct stat bakStat
        {
        };
        const bool sameFile = ::stat(bak.constData(), &bakStat) == 0
            && bakStat.st_dev == logStat.st_dev && bakStat.st_ino == logStat.st_ino;
        if (!sameFile) {
            const int err = fault(m_faults.rename) ? EACCES : keepAsBackup(log, bak);
            if (halted(2, error) || halted(3, error))
                return false;
            if (renameErrno)
                *renameErrno = err;
            if (err != 0 && backup == Backup::Required) {
                ::unlink(tmp.constData());
                if (error)
                    *error = errnoText(err);
                return false;
            }
        }
    }

    // 3. The new log takes the name in one step. Failing that, the old log stays as it is and
    //    the new one goes: memory keeps the changes, and a start-up never offers it as news.
    //    With no old log, the new one is the only copy on disk: the start-up offers it.
    if (fault(m_faults.replace) || ::rename(tmp.constData(), log.constData()) != 0) {
        const int err = m_faults.replace ? EACCES : errno;
        if (logThere)
            ::unlink(tmp.constData());
        if (error)
            *error = errnoText(err);
        return false;
    }
    syncFolderOf(logPath);
    return true;
}

int LogFileStore::keepAsBackup(const QByteArray& log, const QByteArray& bak)
{
    // The old backup stays until the new one takes its name in one step, under a name of
    // its own until then: a crash at any moment leaves a backup, the old one or the new.
    QByteArray next = bak + ".XXXXXX";
    const int fd = ::mkostemp(next.data(), O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    ::unlink(next.constData());
    if (fault(m_faults.link) || ::link(log.constData(), next.constData()) != 0) {
        // No hard links here (a FAT stick): a copy of the old log takes the backup's place.
        QByteArray bytes;
        errno = 0;
        if (!read(QFile::decodeName(log), &bytes, nullptr))
            return errno ? errno : EIO;
        errno = 0;
        if (!writeComplete(next, O_EXCL, bytes, nullptr))
            return errno ? errno : EIO;
    }
    if (m_faults.haltAfter == 2)
        return 0; // a crash here, for tests: the next name stays
    if (::rename(next.constData(), bak.constData()) != 0) {
        const int err = errno;
        ::unlink(next.constData());
        return err;
    }
    return 0;
}

bool LogFileStore::halted(int step, QString* error) const
{
    if (m_faults.haltAfter != step)
        return false;
    if (error)
        *error = QStringLiteral("stopped after step %1").arg(step);
    return true;
}

bool LogFileStore::writeComplete(
    const QByteArray& name, int createFlag, const QByteArray& content, QString* error)
{
    // Either the whole content is on disk under that name, or no file of it is left.
    bool notRegular = false;
    const int fd = fault(m_faults.open)
        ? -1
        : openRegular(name, O_WRONLY | O_CREAT | createFlag, &notRegular);
    if (fd < 0) {
        if (error)
            *error
                = notRegular ? NotRegularFileReason() : errnoText(m_faults.open ? EACCES : errno);
        return false;
    }
    bool ok = writeAll(fd, content, error) && syncFd(fd, error);
    if (::close(fd) != 0 && ok) {
        ok = false;
        if (error)
            *error = errnoText(errno);
    }
    if (!ok)
        ::unlink(name.constData());
    return ok;
}

bool LogFileStore::writeNew(const QString& path, const QByteArray& content, QString* error)
{
    if (!writeComplete(nativePath(path), O_EXCL, content, error))
        return false;
    syncFolderOf(path);
    return true;
}

LogFileStore::StreamedFile::StreamedFile(LogFileStore& store, const QString& path)
    : m_store(store)
    // A link keeps pointing where it did: the file it leads to is the one replaced.
    , m_name(nativePath(QFileInfo(path).isSymLink() ? QFileInfo(path).canonicalFilePath() : path))
{
    if (m_name.isEmpty()) // a dangling link: its own name, as a new file would take it
        m_name = nativePath(path);
}

LogFileStore::StreamedFile::~StreamedFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.constData());
    }
}

bool LogFileStore::StreamedFile::open(QString* error)
{
    if (!regularOrFree(m_name)) {
        if (error)
            *error = NotRegularFileReason();
        return false;
    }
    // A name of its own, made new: never a file or a link that is there already.
    m_temporary = m_name + ".XXXXXX";
    m_fd = m_store.fault(m_store.m_faults.open) ? -1 : ::mkostemp(m_temporary.data(), O_CLOEXEC);
    if (m_fd < 0) {
        if (error)
            *error = errnoText(m_store.m_faults.open ? EACCES : errno);
        return false;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    (void)::fchmod(m_fd, 0666 & ~mask); // an ordinary new file, not mkostemp's private 0600
    m_buffer.reserve(BufferSize);
    return true;
}

void LogFileStore::StreamedFile::write(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() >= BufferSize)
        flush();
}

bool LogFileStore::StreamedFile::flush()
{
    if (!m_failed && m_fd >= 0 && !m_store.writeAll(m_fd, m_buffer, &m_error))
        m_failed = true;
    m_buffer.resize(0); // the buffer is kept for the next piece
    return !m_failed;
}

bool LogFileStore::StreamedFile::commit(QString* error)
{
    if (m_fd < 0) {
        if (error)
            *error = errnoText(EBADF);
        return false;
    }
    bool ok = flush() && m_store.syncFd(m_fd, &m_error);
    if (::close(m_fd) != 0 && ok) {
        ok = false;
        m_error = errnoText(errno);
    }
    m_fd = -1;
    if (ok && !regularOrFree(m_name)) { // it may have come since the open
        ok = false;
        m_error = NotRegularFileReason();
    }
    if (ok
        && (m_store.fault(m_store.m_faults.rename)
            || ::rename(m_temporary.constData(), m_name.constData()) != 0)) {
        ok = false;
        m_error = errnoText(m_store.m_faults.rename ? EACCES : errno);
    }
    if (!ok) {
        ::unlink(m_temporary.constData());
        if (error)
            *error = m_error;
        return false;
    }
    m_store.syncFolderOf(QFile::decodeName(m_name));
    return true;
}

bool LogFileStore::remove(const QString& path, QString* error)
{
    if (::unlink(nativePath(path).constData()) != 0 && errno != ENOENT) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    syncFolderOf(path);
    return true;
}

bool LogFileStore::moveAside(const QString& from, const QString& to, QString* error)
{
    const QByteArray source = nativePath(from);
    const QByteArray target = nativePath(to);
    // A link never replaces a file that is there; a rename does, so it is only the fallback.
    if (fault(m_faults.rename)) {
        if (error)
            *error = errnoText(EACCES);
        return false;
    }
    if (::link(source.constData(), target.constData()) == 0) {
        ::unlink(source.constData());
    } else {
        struct stat st
        {
        };
        int err = errno;
        if (err != EEXIST && ::stat(target.constData(), &st) == 0)
            err = EEXIST;
        else if (err != EEXIST)
            err = ::rename(source.constData(), target.constData()) == 0 ? 0 : errno;
        if (err != 0) {
            if (error)
                *error = errnoText(err);
            return false;
        }
    }
    syncFolderOf(to);
    return true;
}

bool LogFileStore::keepCopy(const QString& from, const QString& to, QString* error)
{
    const QByteArray source = nativePath(from);
    const QByteArray target = nativePath(to);
    struct stat st
    {
    };
    if (::stat(target.constData(), &st) == 0) {
        if (error)
            *error = errnoText(EEXIST);
        return false;
    }
    // A copy, never a second name: the file kept is the log's next backup, and what is later
    // logged in the one must not reach the other. Whole under a temporary name before it takes
    // its own, so that the name never holds part of the file.
    QByteArray bytes;
    if (!read(from, &bytes, error))
        return false;
    const QByteArray temporary = target + ".new";
    if (!writeComplete(temporary, O_TRUNC, bytes, error))
        return false;
    if (fault(m_faults.rename) || ::rename(temporary.constData(), target.constData()) != 0) {
        const int err = m_faults.rename ? EACCES : errno;
        ::unlink(temporary.constData());
        if (error)
            *error = errnoText(err);
        return false;
    }
    syncFolderOf(to);
    return true;
}

} // namespace vorad
