#include "FailingFileSystem.h"

#include <cerrno>

#include <fcntl.h>

namespace {

int fail(int err)
{
    errno = err;
    return -1;
}

} // namespace

bool FailingFileSystem::fire(bool on)
{
    if (on)
        ++m_faults.fired;
    return on;
}

int FailingFileSystem::open(const char* name, int flags, mode_t mode)
{
    if (m_faults.halted)
        return fail(EIO);
    // A folder is opened only to sync the names in it, which nothing waits on.
    if ((flags & O_DIRECTORY) == 0 && fire(m_faults.open))
        return fail((flags & O_ACCMODE) == O_RDONLY ? EIO : EACCES);
    return m_disk.open(name, flags, mode);
}

int FailingFileSystem::openTemporary(char* nameTemplate, int flags, mode_t mode)
{
    if (m_faults.halted)
        return fail(EIO);
    if (fire(m_faults.open))
        return fail(EACCES);
    return m_disk.openTemporary(nameTemplate, flags, mode);
}

int FailingFileSystem::close(int fd)
{
    return m_disk.close(fd); // the kernel closes a dead program's files all the same
}

ssize_t FailingFileSystem::read(int fd, void* buffer, size_t size)
{
    if (m_faults.halted)
        return fail(EIO);
    if (fire(m_faults.read))
        return fail(EIO);
    return m_disk.read(fd, buffer, size);
}

ssize_t FailingFileSystem::pread(int fd, void* buffer, size_t size, off_t offset)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.pread(fd, buffer, size, offset);
}

ssize_t FailingFileSystem::write(int fd, const void* bytes, size_t size)
{
    if (m_faults.halted)
        return fail(EIO);
    if (fire(m_faults.write))
        return fail(ENOSPC);
    // A disk that fills takes what room it has, as a real one does, then refuses the rest.
    if (m_faults.spaceLeft >= 0 && qint64(size) > m_faults.spaceLeft) {
        if (fire(m_faults.spaceLeft == 0))
            return fail(ENOSPC);
        size = size_t(m_faults.spaceLeft);
    }
    const ssize_t n = m_disk.write(fd, bytes, size);
    if (n > 0 && m_faults.spaceLeft >= 0)
        m_faults.spaceLeft -= n;
    return n;
}

off_t FailingFileSystem::lseek(int fd, off_t offset, int whence)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.lseek(fd, offset, whence);
}

int FailingFileSystem::ftruncate(int fd, off_t size)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.ftruncate(fd, size);
}

int FailingFileSystem::fsync(int fd)
{
    if (m_faults.halted)
        return fail(EIO);
    struct stat st
    {
    };
    const bool folder = m_disk.fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    if (!folder && fire(m_faults.sync))
        return fail(EIO);
    return m_disk.fsync(fd);
}

int FailingFileSystem::fstat(int fd, struct stat* st)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.fstat(fd, st);
}

int FailingFileSystem::stat(const char* name, struct stat* st)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.stat(name, st);
}

int FailingFileSystem::lstat(const char* name, struct stat* st)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.lstat(name, st);
}

int FailingFileSystem::realPath(const char* name, QByteArray* resolved)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.realPath(name, resolved);
}

int FailingFileSystem::rename(const char* from, const char* to, Rename what)
{
    if (m_faults.halted)
        return fail(EIO);
    if (fire(what == Rename::RewrittenLog ? m_faults.replace : m_faults.rename))
        return fail(EACCES);
    return m_disk.rename(from, to, what);
}

int FailingFileSystem::link(const char* from, const char* to)
{
    if (m_faults.halted)
        return fail(EIO);
    // A folder that takes no new name by a rename takes none by a link either.
    if (fire(m_faults.rename))
        return fail(EACCES);
    if (fire(m_faults.link))
        return fail(EPERM);
    return m_disk.link(from, to);
}

int FailingFileSystem::unlink(const char* name)
{
    if (m_faults.halted)
        return fail(EIO);
    return m_disk.unlink(name);
}

void FailingFileSystem::reached(RewriteStep step)
{
    if (m_faults.haltAfter == int(step))
        m_faults.halted = true;
}
