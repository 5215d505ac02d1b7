#include "FileSystem.h"

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace vorad {

int PosixFileSystem::open(const char* name, int flags, mode_t mode)
{
    return ::open(name, flags, mode);
}

int PosixFileSystem::openTemporary(char* nameTemplate, int flags, mode_t mode)
{
    const int fd = ::mkostemp(nameTemplate, flags);
    if (fd >= 0 && mode != 0600) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        (void)::fchmod(fd, mode & ~mask);
    }
    return fd;
}

int PosixFileSystem::close(int fd)
{
    return ::close(fd);
}

ssize_t PosixFileSystem::read(int fd, void* buffer, size_t size)
{
    return ::read(fd, buffer, size);
}

ssize_t PosixFileSystem::pread(int fd, void* buffer, size_t size, off_t offset)
{
    return ::pread(fd, buffer, size, offset);
}

ssize_t PosixFileSystem::write(int fd, const void* bytes, size_t size)
{
    return ::write(fd, bytes, size);
}

off_t PosixFileSystem::lseek(int fd, off_t offset, int whence)
{
    return ::lseek(fd, offset, whence);
}

int PosixFileSystem::ftruncate(int fd, off_t size)
{
    return ::ftruncate(fd, size);
}

int PosixFileSystem::fsync(int fd)
{
    return ::fsync(fd);
}

int PosixFileSystem::fstat(int fd, struct stat* st)
{
    return ::fstat(fd, st);
}

int PosixFileSystem::stat(const char* name, struct stat* st)
{
    return ::stat(name, st);
}

int PosixFileSystem::lstat(const char* name, struct stat* st)
{
    return ::lstat(name, st);
}

int PosixFileSystem::realPath(const char* name, QByteArray* resolved)
{
    char* path = ::realpath(name, nullptr);
    if (!path)
        return -1;
    *resolved = QByteArray(path);
    std::free(path);
    return 0;
}

int PosixFileSystem::rename(const char* from, const char* to, Rename)
{
    return ::rename(from, to);
}

int PosixFileSystem::link(const char* from, const char* to)
{
    return ::link(from, to);
}

int PosixFileSystem::unlink(const char* name)
{
    return ::unlink(name);
}

} // namespace vorad
