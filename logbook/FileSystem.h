#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <QByteArray>

namespace vorad {

// What the log file store asks of the system, call for call. Each is shaped as the POSIX call it
// stands for: -1 and errno on failure, so that every error reads as the system's own.
// Tests put a file system in its place that fails on demand.
class FileSystem
{
public:
    // A rewrite's last rename, the new log taking the log's name, is told apart from the others
    // (a backup's, a streamed file's, a copy's, a move's): it alone can leave the log unchanged.
    enum class Rename { Other, RewrittenLog };
    // The points a rewrite passes, in order: each leaves a state on disk a crash could leave.
    enum class RewriteStep { NewLogWritten = 1, BackupMade, BackupRenamed };

    virtual ~FileSystem() = default;

    virtual int open(const char* name, int flags, mode_t mode) = 0;
    // As mkostemp: the name's last six X become a name no file had, made new and open for reading
    // and writing. The file gets `mode` less the umask, as a new file from open() would; 0600,
    // mkostemp's own, is left as it is.
    virtual int openTemporary(char* nameTemplate, int flags, mode_t mode) = 0;
    virtual int close(int fd) = 0;
    virtual ssize_t read(int fd, void* buffer, size_t size) = 0;
    virtual ssize_t pread(int fd, void* buffer, size_t size, off_t offset) = 0;
    virtual ssize_t write(int fd, const void* bytes, size_t size) = 0;
    virtual off_t lseek(int fd, off_t offset, int whence) = 0;
    virtual int ftruncate(int fd, off_t size) = 0;
    virtual int fsync(int fd) = 0;
    virtual int fstat(int fd, struct stat* st) = 0;
    virtual int stat(const char* name, struct stat* st) = 0;
    virtual int lstat(const char* name, struct stat* st) = 0;
    // As realpath: the name with every link followed; -1 when a part of it is missing.
    virtual int realPath(const char* name, QByteArray* resolved) = 0;
    virtual int rename(const char* from, const char* to, Rename what) = 0;
    virtual int link(const char* from, const char* to) = 0;
    virtual int unlink(const char* name) = 0;
    // Told as a rewrite passes each step; a disk has nothing to do with it.
    virtual void reached(RewriteStep) { }
};

// The system's own calls.
class PosixFileSystem final : public FileSystem
{
public:
    int open(const char* name, int flags, mode_t mode) override;
    int openTemporary(char* nameTemplate, int flags, mode_t mode) override;
    int close(int fd) override;
    ssize_t read(int fd, void* buffer, size_t size) override;
    ssize_t pread(int fd, void* buffer, size_t size, off_t offset) override;
    ssize_t write(int fd, const void* bytes, size_t size) override;
    off_t lseek(int fd, off_t offset, int whence) override;
    int ftruncate(int fd, off_t size) override;
    int fsync(int fd) override;
    int fstat(int fd, struct stat* st) override;
    int stat(const char* name, struct stat* st) override;
    int lstat(const char* name, struct stat* st) override;
    int realPath(const char* name, QByteArray* resolved) override;
    int rename(const char* from, const char* to, Rename what) override;
    int link(const char* from, const char* to) override;
    int unlink(const char* name) override;
};

} // namespace vorad
