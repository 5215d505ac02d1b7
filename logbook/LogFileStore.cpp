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
bool regularOrFree(FileSystem& fs, const QByteArray& name)
{
    struct stat st
    {
    };
    return fs.stat(name.constData(), &st) != 0 || S_ISREG(st.st_mode);
}

// Opens a regular file only (or makes one), and never waits: a FIFO waits for its other end.
// -1 with errno, or with `notRegular` set when the name holds something else. (O_NONBLOCK does
// nothing to a regular file's reads and writes.)
int openRegular(
    FileSystem& fs, const QByteArray& name, int flags, bool* notRegular, qint64* size = nullptr)
{
    *notRegular = false;
    const int fd = fs.open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        *notRegular = !regularOrFree(fs, name); // a folder, a FIFO without a reader
        errno = err;
        return -1;
    }
    struct stat st
    {
    };
    if (fs.fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        fs.close(fd);
        *notRegular = true;
        return -1;
    }
    if (size)
        *size = st.st_size;
    return fd;
}

// The whole file from where it stands; false with errno.
bool readToEnd(FileSystem& fs, int fd, qint64 sizeHint, QByteArray* bytes)
{
    // One byte more than the file holds, so that the end is seen without growing the buffer.
    QByteArray buffer(qsizetype(qMax<qint64>(sizeHint, 0) + 1), Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == buffer.size())
            buffer.resize(used * 2); // it grew since it was looked at
        const ssize_t n
            = fs.read(fd, buffer.data() + used, static_cast<size_t>(buffer.size() - used));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            break;
        used += n;
    }
    buffer.resize(used);
    *bytes = std::move(buffer);
    return true;
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
    const char* lf = nullptr; // the next LF (or the end) once looked for
    while (p != end) {
        // Most lines end at LF: found with memchr, then a lone CR before it ends a line too.
        // The LF found stays known until it is passed: lines ended by lone CRs would otherwise
        // each search the rest of the file.
        if (!lf || lf < p) {
            lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            if (!lf)
                lf = end;
        }
        const char* stop = lf;
        const auto* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(stop - p)));
        if (cr)
            stop = cr;
        if (stop == end)
            break;
        finishLine(lineStart, stop);
        p = stop + 1;
        if (*stop == '\r' && p != end && *p == '\n')
            ++p;
        lineStart = p;
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
    if (m_fs->stat(nativePath(path).constData(), &st) != 0)
        return errno == ENOENT ? State::Missing : State::Unreadable;
    if (size)
        *size = st.st_size;
    if (!S_ISREG(st.st_mode))
        return State::NotRegular;
    return st.st_size == 0 ? State::Empty : State::Populated;
}

bool LogFileStore::modifiedAt(const QString& path, qint64* nanoseconds) const
{
    struct stat st
    {
    };
    if (m_fs->stat(nativePath(path).constData(), &st) != 0)
        return false;
    *nanoseconds = qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
    return true;
}

bool LogFileStore::read(const QString& path, QByteArray* bytes, QString* error) const
{
    bool notRegular = false;
    qint64 size = 0;
    const int fd = openRegular(*m_fs, nativePath(path), O_RDONLY, &notRegular, &size);
    if (fd < 0) {
        if (error)
            *error = notRegular ? NotRegularFileReason() : errnoText(errno);
        return false;
    }
    const bool ok = readToEnd(*m_fs, fd, size, bytes);
    const int err = errno;
    m_fs->close(fd);
    if (!ok && error)
        *error = errnoText(err);
    errno = err;
    return ok;
}

bool LogFileStore::readTail(const QString& path, qint64 count, QByteArray* tail, qint64* size) const
{
    bool notRegular = false;
    const int fd = openRegular(*m_fs, nativePath(path), O_RDONLY, &notRegular, size);
    if (fd < 0)
        return false;
    const qint64 start = qMax<qint64>(*size - qMax<qint64>(count, 0), 0);
    QByteArray buffer(qsizetype(*size - start), Qt::Uninitialized);
    qsizetype used = 0;
    bool ok = true;
    while (used < buffer.size()) {
        const ssize_t n = m_fs->pread(fd, buffer.data() + used,
            static_cast<size_t>(buffer.size() - used), off_t(start + used));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = n == 0; // it shrank since it was looked at: what is there is told
            break;
        }
        used += n;
    }
    const int err = errno;
    m_fs->close(fd);
    errno = err;
    if (!ok)
        return false;
    buffer.resize(used);
    *tail = std::move(buffer);
    return true;
}

bool LogFileStore::writeAll(int fd, const QByteArray& bytes, QString* error)
{
    // Asked once even for nothing: a write of no bytes may still tell the file's error, and a
    // file that cannot be written must not pass for written because it is empty.
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    do {
        const ssize_t n = m_fs->write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = errnoText(errno); // errno stays, for callers that read it
            return false;
        }
        p += n;
        left -= n;
    } while (left > 0);
    return true;
}

bool LogFileStore::syncFd(int fd, QString* error)
{
    if (!m_sync)
        return true;
    if (m_fs->fsync(fd) != 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
    return true;
}

bool LogFileStore::createEmpty(const QString& path, QString* error)
{
    bool notRegular = false;
    const int fd = openRegular(*m_fs, nativePath(path), O_WRONLY | O_CREAT | O_TRUNC, &notRegular);
    if (fd < 0) {
        if (error)
            *error = notRegular ? NotRegularFileReason() : errnoText(errno);
        return false;
    }
    const bool ok = syncFd(fd, error);
    if (m_fs->close(fd) != 0 || !ok)
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
    const int dfd = m_fs->open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dfd >= 0) {
        (void)m_fs->fsync(dfd);
        m_fs->close(dfd);
    }
}

bool LogFileStore::append(
    const QString& path, const QByteArray& record, QString* error, bool create)
{
    // Normally the existing file only: a log that vanished is rebuilt whole by the caller.
    const QByteArray name = nativePath(path);
    const int flags = create ? O_CREAT : 0;
    bool notRegular = false;
    int fd = openRegular(*m_fs, name, O_RDWR | flags, &notRegular);
    bool canRead = true;
    if (fd < 0 && !notRegular && errno == EACCES) {
        // A file we may write but not read still takes the contact.
        fd = openRegular(*m_fs, name, O_WRONLY | flags, &notRegular);
        canRead = false;
    }
    if (fd < 0) {
        if (error)
            *error = notRegular ? NotRegularFileReason() : errnoText(errno);
        return false;
    }
    const off_t size = m_fs->lseek(fd, 0, SEEK_END);
    QByteArray bytes;
    if (size > 0) {
        // A record always starts on a line of its own, even after a torn last line. Unread,
        // the end gets a line end of its own: an empty line holds no contact.
        char last = '\r';
        if (canRead && m_fs->pread(fd, &last, 1, size - 1) == 1 && last != '\n')
            bytes = last == '\r' ? QByteArrayLiteral("\n") : QByteArrayLiteral("\r\n");
        else if (!canRead)
            bytes = QByteArrayLiteral("\r\n");
    }
    bytes += record;
    bool ok = size >= 0 && writeAll(fd, bytes, error) && syncFd(fd, error);
    if (!ok && size >= 0) {
        // Take a half-written record back off, so the file holds only whole contacts.
        if (m_fs->ftruncate(fd, size) == 0)
            (void)m_fs->fsync(fd);
    }
    if (m_fs->close(fd) != 0 && ok) {
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
    if (!regularOrFree(*m_fs, log)) {
        if (error)
            *error = NotRegularFileReason();
        return false;
    }

    // 1. The new log, complete and on disk, under a temporary name beside the old one.
    if (!writeComplete(tmp, O_TRUNC, content, error))
        return false;
    m_fs->reached(FileSystem::RewriteStep::NewLogWritten);

    // 2. The old log becomes the backup, and stays the log meanwhile.
    struct stat logStat
    {
    };
    const bool logThere = m_fs->stat(log.constData(), &logStat) == 0;
    if (backup != Backup::None && logThere) {
        struct stat bakStat
        {
        };
        const bool sameFile = m_fs->stat(bak.constData(), &bakStat) == 0
            && bakStat.st_dev == logStat.st_dev && bakStat.st_ino == logStat.st_ino;
        if (!sameFile) {
            const int err = keepAsBackup(log, bak);
            if (renameErrno)
                *renameErrno = err;
            if (err != 0 && backup == Backup::Required) {
                m_fs->unlink(tmp.constData());
                if (error)
                    *error = errnoText(err);
                return false;
            }
        }
    }

    // 3. The new log takes the name in one step. Failing that, the old log stays as it is and
    //    the new one goes: memory keeps the changes, and a start-up never offers it as news.
    //    With no old log, the new one is the only copy on disk: the start-up offers it.
    if (m_fs->rename(tmp.constData(), log.constData(), FileSystem::Rename::RewrittenLog) != 0) {
        const int err = errno;
        if (logThere)
            m_fs->unlink(tmp.constData());
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
    const int fd = m_fs->openTemporary(next.data(), O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    m_fs->close(fd);
    m_fs->unlink(next.constData());
    if (m_fs->link(log.constData(), next.constData()) != 0) {
        // No hard links here (a FAT stick): a copy of the old log takes the backup's place.
        QByteArray bytes;
        errno = 0;
        if (!read(QFile::decodeName(log), &bytes, nullptr))
            return errno ? errno : EIO;
        errno = 0;
        if (!writeComplete(next, O_EXCL, bytes, nullptr))
            return errno ? errno : EIO;
    }
    m_fs->reached(FileSystem::RewriteStep::BackupMade);
    if (m_fs->rename(next.constData(), bak.constData(), FileSystem::Rename::Other) != 0) {
        const int err = errno;
        m_fs->unlink(next.constData());
        return err;
    }
    m_fs->reached(FileSystem::RewriteStep::BackupRenamed);
    return 0;
}

bool LogFileStore::writeComplete(
    const QByteArray& name, int createFlag, const QByteArray& content, QString* error)
{
    // Either the whole content is on disk under that name, or no file of it is left.
    bool notRegular = false;
    const int fd = openRegular(*m_fs, name, O_WRONLY | O_CREAT | createFlag, &notRegular);
    if (fd < 0) {
        if (error)
            *error = notRegular ? NotRegularFileReason() : errnoText(errno);
        return false;
    }
    bool ok = writeAll(fd, content, error) && syncFd(fd, error);
    if (m_fs->close(fd) != 0 && ok) {
        ok = false;
        if (error)
            *error = errnoText(errno);
    }
    if (!ok)
        m_fs->unlink(name.constData());
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
    , m_name(nativePath(path))
{
    // A link keeps pointing where it did: the file it leads to is the one replaced. A dangling
    // link keeps its own name, as a new file would take it.
    struct stat st
    {
    };
    QByteArray target;
    if (store.m_fs->lstat(m_name.constData(), &st) == 0 && S_ISLNK(st.st_mode)
        && store.m_fs->realPath(m_name.constData(), &target) == 0)
        m_name = target;
}

LogFileStore::StreamedFile::~StreamedFile()
{
    if (m_fd >= 0) {
        m_store.m_fs->close(m_fd);
        m_store.m_fs->unlink(m_temporary.constData());
    }
}

bool LogFileStore::StreamedFile::open(QString* error)
{
    if (!regularOrFree(*m_store.m_fs, m_name)) {
        if (error)
            *error = NotRegularFileReason();
        return false;
    }
    // A name of its own, made new: never a file or a link that is there already. An ordinary
    // new file's mode, not mkostemp's private 0600.
    m_temporary = m_name + ".XXXXXX";
    m_fd = m_store.m_fs->openTemporary(m_temporary.data(), O_CLOEXEC, 0666);
    if (m_fd < 0) {
        if (error)
            *error = errnoText(errno);
        return false;
    }
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
    if (m_store.m_fs->close(m_fd) != 0 && ok) {
        ok = false;
        m_error = errnoText(errno);
    }
    m_fd = -1;
    if (ok && !regularOrFree(*m_store.m_fs, m_name)) { // it may have come since the open
        ok = false;
        m_error = NotRegularFileReason();
    }
    if (ok
        && m_store.m_fs->rename(
               m_temporary.constData(), m_name.constData(), FileSystem::Rename::Other)
            != 0) {
        ok = false;
        m_error = errnoText(errno);
    }
    if (!ok) {
        m_store.m_fs->unlink(m_temporary.constData());
        if (error)
            *error = m_error;
        return false;
    }
    m_store.syncFolderOf(QFile::decodeName(m_name));
    return true;
}

bool LogFileStore::remove(const QString& path, QString* error)
{
    if (m_fs->unlink(nativePath(path).constData()) != 0 && errno != ENOENT) {
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
    if (m_fs->link(source.constData(), target.constData()) == 0) {
        m_fs->unlink(source.constData());
    } else {
        struct stat st
        {
        };
        int err = errno;
        if (err != EEXIST && m_fs->stat(target.constData(), &st) == 0)
            err = EEXIST;
        else if (err != EEXIST) {
            const int moved
                = m_fs->rename(source.constData(), target.constData(), FileSystem::Rename::Other);
            err = moved == 0 ? 0 : errno;
        }
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
    if (m_fs->stat(target.constData(), &st) == 0) {
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
    if (m_fs->rename(temporary.constData(), target.constData(), FileSystem::Rename::Other) != 0) {
        const int err = errno;
        m_fs->unlink(temporary.constData());
        if (error)
            *error = errnoText(err);
        return false;
    }
    syncFolderOf(to);
    return true;
}

} // namespace vorad
